#pragma once

#include <vector>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include "model/outcome.h"

class QProcess;

namespace plattera {

// Where plattera-tag-reader is: beside the program (the build tree), else where the package
// installs it relative to the program. Empty when neither holds it.
QString installedTagReader();

// The address space a child may take: 1 GiB, far more than any tags need (a cover picture of
// 100 MB included) and far less than the machine. None (0) in a build with AddressSanitizer,
// which reserves terabytes of address space for itself.
qint64 defaultChildAddressSpace();

// How a batch is read. The defaults are the program's.
struct TagReaderSettings {
    QString program = installedTagReader();
    // A fresh child for each this many files, so that no child runs long.
    int filesPerChild = 100;
    // The longest a child may take over one file before it is killed and the file left out.
    int fileTimeoutMs = 10000;
    // Each child's address space in bytes (0: none), and the CPU seconds each file may take
    // (however long the files before it in the same child took).
    qint64 addressSpaceBytes = defaultChildAddressSpace();
    int cpuSecondsPerFile = 10;
};

// What the tags of one audio file say, or why they say nothing.
struct FileTags {
    QString title;
    QString artist;
    QString albumArtist;
    QString album;
    int disc = 0;  // 0: none
    int track = 0; // 0: none
    // The encoded picture files embedded as its front and back covers; empty when there is
    // none, or when the file before it in the batch carried the same.
    QByteArray frontPicture;
    QByteArray backPicture;
};

// Reads the tags of a batch of audio files in child processes of plattera-tag-reader, so that
// whatever a file does to the tag library cannot reach the program. Each child runs with limits
// (address space, CPU time, no core file, no file written; killed with the program) and is
// killed when it takes longer than the settings allow over one file. A file a child did not
// answer for (it crashed, hung or wrote nonsense) is left out with the reason, and the files
// after it go to a fresh child. Runs in the event loop: nothing waits.
class TagReader : public QObject {
    Q_OBJECT
public:
    // `paths` as the system spells them; their bytes need not be UTF-8.
    TagReader(QList<QByteArray> paths, TagReaderSettings settings, QObject* parent = nullptr);
    ~TagReader() override;

    // Starts reading; the signals come from the event loop, never from within start().
    void start();
    // Kills the child and stops; finished() follows at once. What was read is kept.
    void cancel();

    bool isFinished() const { return m_finished; }
    // One entry per path, in order; complete once finished (a cancelled read leaves the files
    // not reached with the reason "not read").
    const std::vector<Outcome<FileTags>>& tags() const { return m_tags; }
    // True when the reader itself is missing or did not run: then no file was read, and the
    // fault is the installation's, not the files'.
    bool readerFailed() const { return m_readerFailed; }

signals:
    void filesRead(int count); // how many have been answered for so far
    void finished();

private:
    void startChild();
    void takeOutput();
    void takeAnswers();
    void childEnded();
    void stopChild(const QString& reason);
    void leaveOut(qsizetype from, qsizetype to, const QString& reason);
    void readerCannotRun(const QString& reason);
    void finish();

    QList<QByteArray> m_paths;
    TagReaderSettings m_settings;
    std::vector<Outcome<FileTags>> m_tags;
    qsizetype m_next = 0;     // the first file not answered for
    qsizetype m_childEnd = 0; // one past the last file the running child was given
    QProcess* m_child = nullptr;
    QByteArray m_output;
    qsizetype m_searched = 0; // how much of m_output holds no line end: a picture comes in pieces
    QString m_stopReason;     // why the running child was killed
    QTimer m_fileTimer;
    bool m_childReady = false; // the running child said it runs
    bool m_readerFailed = false;
    bool m_finished = false;
};

} // namespace plattera
