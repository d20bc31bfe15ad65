#include "tracklists/tag_reader.h"

#include <algorithm>
#include <csignal>
#include <string_view>
#include <utility>

#include <sys/prctl.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "tracklists/tag_protocol.h"

// AddressSanitizer reserves terabytes of address space for its shadow memory, so a child built
// with it cannot run under an address-space limit.
#if defined(__SANITIZE_ADDRESS__)
#define PLATTERA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLATTERA_ADDRESS_SANITIZER 1
#endif
#endif

namespace plattera {

namespace {

// Runs in the child between fork and exec, so it makes system calls only. The reader moves its
// soft CPU limit on by `cpuSecondsPerFile` before each file; the hard limit bounds the whole
// child, each file's time and a second of rounding.
void limitChild(rlim_t addressSpace, rlim_t cpuSecondsPerFile, rlim_t files)
{
    const auto limit = [](int resource, rlim_t value) {
        const rlimit both {value, value};
        ::setrlimit(resource, &both);
    };
    if (addressSpace > 0)
        limit(RLIMIT_AS, addressSpace);
    const rlimit cpu {cpuSecondsPerFile, (cpuSecondsPerFile + 1) * files + 1};
    ::setrlimit(RLIMIT_CPU, &cpu);
    limit(RLIMIT_CORE, 0);              // a crash leaves no core file behind
    limit(RLIMIT_FSIZE, 0);             // and the reader writes no file at all
    ::prctl(PR_SET_PDEATHSIG, SIGKILL); // nor outlives the program
}

// "3/12" and "3" both give 3.
int leadingNumber(const QString& text)
{
    return text.section(QLatin1Char('/'), 0, 0).trimmed().toInt();
}

Outcome<FileTags> tagsFrom(const TagRecord& record)
{
    if (!record.problem.empty())
        return Outcome<FileTags>::failure(QString::fromStdString(record.problem));
    FileTags tags;
    tags.title = QString::fromStdString(record.title);
    tags.artist = QString::fromStdString(record.artist);
    tags.albumArtist = QString::fromStdString(record.albumArtist);
    tags.album = QString::fromStdString(record.album);
    tags.disc = leadingNumber(QString::fromStdString(record.disc));
    tags.track = leadingNumber(QString::fromStdString(record.track));
    tags.frontPicture = QByteArray::fromBase64(QByteArray::fromStdString(record.frontPicture));
    tags.backPicture = QByteArray::fromBase64(QByteArray::fromStdString(record.backPicture));
    return tags;
}

} // namespace

qint64 defaultChildAddressSpace()
{
#ifdef PLATTERA_ADDRESS_SANITIZER
    return 0;
#else
    return qint64(1) << 30;
#endif
}

QString installedTagReader()
{
    const QString name = QStringLiteral(PLATTERA_TAG_READER_NAME);
    const QDir programFolder(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {programFolder.filePath(name),
          programFolder.filePath(QStringLiteral(PLATTERA_TAG_READER_FROM_BIN "/") + name)}) {
        const QFileInfo info(QDir::cleanPath(candidate));
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return {};
}

TagReader::TagReader(QList<QByteArray> paths, TagReaderSettings settings, QObject* parent)
    : QObject(parent), m_paths(std::move(paths)), m_settings(std::move(settings)),
      m_tags(size_t(m_paths.size()), Outcome<FileTags>::failure(QStringLiteral("not read")))
{
    m_fileTimer.setSingleShot(true);
    connect(&m_fileTimer, &QTimer::timeout, this, [this] {
        stopChild(QStringLiteral("reading its tags took longer than %1 s")
                      .arg(m_settings.fileTimeoutMs / 1000.0));
    });
}

TagReader::~TagReader()
{
    if (m_child) {
        m_child->disconnect(this);
        m_child->kill();
        m_child->waitForFinished();
    }
}

void TagReader::start()
{
    QMetaObject::invokeMethod(this, &TagReader::startChild, Qt::QueuedConnection);
}

void TagReader::cancel()
{
    if (m_finished)
        return;
    m_fileTimer.stop();
    if (QProcess* child = std::exchange(m_child, nullptr)) {
        child->disconnect(this);
        child->kill();
        child->waitForFinished();
        child->deleteLater();
    }
    leaveOut(m_next, m_paths.size(), QStringLiteral("not read"));
    finish();
}

void TagReader::startChild()
{
    if (m_finished)
        return;
    if (m_next >= m_paths.size()) {
        finish();
        return;
    }
    if (m_settings.program.isEmpty()) {
        readerCannotRun(
            QStringLiteral("the tag reader " PLATTERA_TAG_READER_NAME " is not installed"));
        return;
    }
    m_childReady = false;
    m_childEnd = std::min(m_paths.size(), m_next + std::max(1, m_settings.filesPerChild));
    m_child = new QProcess(this);
    m_child->setChildProcessModifier(
        [addressSpace = rlim_t(std::max<qint64>(0, m_settings.addressSpaceBytes)),
         cpuSeconds = rlim_t(std::max(1, m_settings.cpuSecondsPerFile)),
         files = rlim_t(m_childEnd - m_next)] { limitChild(addressSpace, cpuSeconds, files); });
    m_child->setStandardErrorFile(QProcess::nullDevice());
    connect(m_child, &QProcess::readyReadStandardOutput, this, &TagReader::takeOutput);
    connect(m_child, &QProcess::finished, this, &TagReader::childEnded);
    connect(m_child, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        QProcess* child = std::exchange(m_child, nullptr);
        child->disconnect(this);
        child->deleteLater();
        m_fileTimer.stop();
        readerCannotRun(QStringLiteral("the tag reader cannot start: ") + child->errorString());
    });
    m_child->start(m_settings.program, {QString::number(std::max(1, m_settings.cpuSecondsPerFile))},
                   QIODevice::ReadWrite);
    if (!m_child)
        return; // it could not start, and said so at once
    QByteArray names;
    for (qsizetype i = m_next; i < m_childEnd; ++i)
        names += m_paths[i] + '\0';
    m_child->write(names);
    m_child->closeWriteChannel();
    m_fileTimer.start(m_settings.fileTimeoutMs);
}

// Signals go out last, once the state is whole again: a receiver may run the event loop (a
// progress dialog does) or cancel.
void TagReader::takeOutput()
{
    const qsizetype before = m_next;
    takeAnswers();
    if (m_next != before)
        emit filesRead(int(m_next));
}

void TagReader::takeAnswers()
{
    if (!m_child)
        return;
    m_output += m_child->readAllStandardOutput();
    qsizetype start = 0;
    for (qsizetype end;
         m_next < m_childEnd && (end = m_output.indexOf('\n', std::max(start, m_searched))) >= 0;
         start = end + 1) {
        const std::string_view line(m_output.constData() + start, size_t(end - start));
        if (!m_childReady) {
            m_childReady = line == kTagReaderReady;
            if (!m_childReady) {
                stopChild(QStringLiteral("the tag reader is not Plattera's"));
                break;
            }
            continue;
        }
        const std::optional<TagRecord> record = decodeTagRecord(line);
        if (!record) {
            stopChild(QStringLiteral("the tag reader gave an answer that is none"));
            break;
        }
        m_tags[size_t(m_next++)] = tagsFrom(*record);
        m_fileTimer.start(m_settings.fileTimeoutMs);
    }
    m_output.remove(0, start);
    m_searched = m_output.size();
    if (qsizetype(m_output.size()) > qsizetype(kMaxTagRecordBytes))
        stopChild(QStringLiteral("the tag reader wrote more than any tags hold"));
}

void TagReader::childEnded()
{
    if (!m_child)
        return;
    const qsizetype before = m_next;
    takeAnswers(); // what it wrote before it ended
    m_fileTimer.stop();
    QProcess* child = std::exchange(m_child, nullptr);
    child->disconnect(this);
    child->deleteLater();
    if (!m_childReady) {
        const QString ended = child->exitStatus() == QProcess::CrashExit
            ? QStringLiteral("the tag reader crashed before it ran")
            : QStringLiteral("the tag reader ended before it ran (exit status %1)")
                  .arg(child->exitCode());
        readerCannotRun(m_stopReason.isEmpty() ? ended : m_stopReason);
        return;
    }
    if (m_next < m_childEnd)
        leaveOut(m_next, m_next + 1,
                 m_stopReason.isEmpty() ? QStringLiteral("reading its tags stopped the tag reader")
                                        : m_stopReason);
    m_stopReason.clear();
    m_output.clear();
    m_searched = 0;
    if (m_next != before)
        emit filesRead(int(m_next));
    if (!m_finished)
        startChild(); // the files after it, in a fresh child
}

void TagReader::stopChild(const QString& reason)
{
    if (!m_child)
        return;
    if (m_stopReason.isEmpty())
        m_stopReason = reason;
    m_child->kill();
}

void TagReader::leaveOut(qsizetype from, qsizetype to, const QString& reason)
{
    for (qsizetype i = from; i < to; ++i)
        m_tags[size_t(i)] = Outcome<FileTags>::failure(reason);
    m_next = std::max(m_next, to);
}

void TagReader::readerCannotRun(const QString& reason)
{
    m_readerFailed = true;
    const qsizetype before = m_next;
    leaveOut(m_next, m_paths.size(), reason);
    if (m_next != before)
        emit filesRead(int(m_next));
    finish();
}

void TagReader::finish()
{
    m_finished = true;
    emit finished();
}

} // namespace plattera
