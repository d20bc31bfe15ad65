// A whole session on the real windows: the input is a sequence of user actions (toolbar
// commands, outline and option boxes, the track editor, the dialogs answered or cancelled) and
// of changes to the picture files between them. After every action the cover must still be
// sound; a broken invariant traps, so libFuzzer keeps the input.
//
// Action bytes (each followed by the parameter bytes it reads):
//   0 New Cover   1 Edit Tracks (then editor actions until it closes)   2 Font type/color
//   3 Left   4 Center   5 Image   6 notebook page   7 Print   8 About   9 a check box
//   10 Color   11 change a picture file   12 the link   13 Close
// Editor actions: 0-2 type into the track line, title or artist   3 Insert   4 Enter in the track line
//   5 select a line   6 clear the selection   7 Continue   8 close the editor   9 paste (Ctrl+V) or
//   drop two lines of text, a file of the pool or the pool's folder (pictures, audio, text)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUrl>

#include "support/controls.h"
#include "app/glyph_button.h"
#include "app/command_runner.h"
#include "app/startup.h"
#include "app/main_window.h"
#include "model/editor_state.h"
#include "model/sheets.h"
#include "pictures/picture_store.h"
#include "support/picture_writers.h"
#include "support/platform/scripted_platform.h"
#include "app/track_editor.h"

using namespace plattera;

namespace {

[[noreturn]] void broken(const char* invariant)
{
    std::fprintf(stderr, "session invariant broken: %s\n", invariant);
    std::fflush(stderr);
    __builtin_trap();
}

#define CHECK_THAT(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            broken(#condition);                                                                    \
    } while (false)

class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) { }
    bool done() const { return m_pos >= m_size; }
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    int pick(int count) { return byte() % count; }

    // Any text: plain bytes, letters from other scripts (surrogate pairs included), or a long
    // repetition of either.
    QString text()
    {
        const int m = pick(8);
        const int mode = m < 3 ? 0 : m < 6 ? 1 : m - 4; // long texts are slow to fit: one in eight
        const int length = byte();
        QString s;
        for (int i = 0; i < length && !done(); ++i) {
            const uint8_t b = byte();
            switch (mode) {
            case 0:
                s += QChar(b < 32 ? 32 + b : b);
                break;
            case 1: {
                static const char32_t bases[] = {0x0400, 0x05D0, 0x0627,  0x0E01,
                                                 0x4E00, 0xAC00, 0x1F600, 0x0301};
                s += QString::fromUcs4(std::u32string(1, bases[b % 8] + b / 8).data(), 1);
                break;
            }
            default:
                s += QChar(b);
                break;
            }
        }
        if (mode == 3 && !s.isEmpty())
            s = s.repeated(qMax<qsizetype>(1, 2000 / s.size()));
        return s;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// The picture files the dialogs can choose, with contents that actions swap, cut and delete.
struct PicturePool {
    QTemporaryDir dir;
    QList<QByteArray> contents; // good files of every format, garbage, a large bitmap
    int garbage = 0;
    struct Slot {
        QString name;
        int initial; // content index; -1 absent
        int now;
    };
    QList<Slot> files;

    QString path(int slot) const { return dir.filePath(files[slot].name); }

    void setUp()
    {
        const char* fixtures[] = {"jpeg_baseline.jpg",     "bmp_rgb32.bmp",
                                  "gif_local_colours.gif", "ico_two_sizes.ico",
                                  "wmf_text.wmf",          "emf_two_shapes.emf",
                                  "jpeg_progressive.jpg",  "bmp_pal8_rle8.bmp"};
        for (const char* f : fixtures) {
            QFile file(QStringLiteral(PLATTERA_TEST_DATA "/") + QLatin1String(f));
            if (!file.open(QIODevice::ReadOnly))
                broken("the fuzz pool's pictures are missing from tests/data");
            contents.push_back(file.readAll());
        }
        garbage = int(contents.size());
        contents.push_back(QByteArrayLiteral("This is no picture, whatever its name says.\n"));
        contents.push_back(coordinateBmp(2000, 1500));
        const int large = garbage + 1;
        for (const char* audio : {"album_disc1_a.flac", "album_broken.flac"})
            QFile::copy(PLATTERA_TEST_DATA "/" + QString(audio), dir.filePath(audio));
        files = {{QStringLiteral("front.jpg"), 0, -2},       {QStringLiteral("back.bmp"), 1, -2},
                 {QStringLiteral("anim.gif"), 2, -2},        {QStringLiteral("icon.ico"), 3, -2},
                 {QStringLiteral("clip.wmf"), 4, -2},        {QStringLiteral("clip.emf"), 5, -2},
                 {QStringLiteral("notes.txt"), garbage, -2}, {QStringLiteral("gone.jpg"), -1, -2},
                 {QStringLiteral("photo.bmp"), large, -2}};
    }

    void write(int slot, int content)
    {
        QFile::remove(path(slot)); // a new file, as an editor that saves by replacing would
        if (content >= 0) {
            QFile file(path(slot));
            if (file.open(QIODevice::WriteOnly))
                file.write(contents[content]);
        }
        files[slot].now = content;
    }

    // Back to the starting files, rewriting only what the last session changed.
    void reset()
    {
        for (int i = 0; i < files.size(); ++i)
            if (files[i].now != files[i].initial)
                write(i, files[i].initial);
    }

    // True when loading the slot must fail: not a picture at all, or an extension no reader has.
    bool certainFailure(int slot) const
    {
        return files[slot].now >= 0 &&
            (files[slot].now == garbage || files[slot].name.endsWith(QLatin1String(".txt")));
    }
};

PicturePool* pool = nullptr;
// Set PLATTERA_FUZZ_TRACE to see the actions of a replayed input.
bool trace = false;

struct SheetPixels {
    QImage images[5];
    explicit SheetPixels(Sheets& s)
        : images {s.backPanel.image(), s.leftSpine.image(), s.rightSpine.image(),
                  s.frontCover.image(), s.backComposite.image()}
    {
    }
    bool operator==(const SheetPixels& o) const
    {
        for (int i = 0; i < 5; ++i)
            if (images[i] != o.images[i])
                return false;
        return true;
    }
};

class Session {
public:
    explicit Session(Input& in) : m_in(in)
    {
        m_state.pictures = &m_pictures;
        m_sheets = std::make_unique<Sheets>(m_platform.logicalDpiY());
        m_windows = createWindows(m_platform, m_state, *m_sheets);
    }

    void run()
    {
        while (!m_in.done() && m_open)
            topLevelAction();
    }

private:
    MainWindow& mainWindow() { return *m_windows.mainWindow; }
    TrackEditor& trackEditor() { return *m_windows.trackEditor; }

    void topLevelAction()
    {
        const size_t errorsBefore = m_platform.errors.size();
        bool mustFail = false;
        bool image = false;
        const SheetPixels before(*m_sheets);
        std::optional<QString> untouchedFile; // a file a failed print must not have changed
        QByteArray untouchedContent;
        QString mustNotExist;

        const int action = m_in.pick(14);
        if (trace)
            std::fprintf(stderr, "action %d, %zu errors so far\n", action,
                         m_platform.errors.size());
        switch (action) {
        case 0:
            click(control<GlyphButton>(mainWindow(), "BitBtn6"));
            break;
        case 1:
            m_platform.modalScripts.push_back([this](QDialog&) { editorActions(); });
            click(control<GlyphButton>(mainWindow(), "button3"));
            break;
        case 2:
            m_platform.fontAnswers.push_back(fontAnswer());
            click(control<GlyphButton>(mainWindow(), "Button1"));
            break;
        case 3:
            click(control<GlyphButton>(mainWindow(), "BitBtn2"));
            break;
        case 4:
            click(control<GlyphButton>(mainWindow(), "BitBtn1"));
            break;
        case 5: {
            const int answer = m_in.pick(pool->files.size() + 1);
            if (answer == pool->files.size()) {
                m_platform.pictureAnswers.push_back(std::nullopt);
            } else {
                m_platform.pictureAnswers.push_back(pool->path(answer));
                mustFail = pool->certainFailure(answer);
            }
            image = true;
            click(control<GlyphButton>(mainWindow(), "BitBtn5"));
            break;
        }
        case 6:
            control<QTabWidget>(mainWindow(), "TabbedNotebook1")->setCurrentIndex(m_in.pick(2));
            break;
        case 7: {
            const QString folder = pool->dir.filePath(QStringLiteral("print"));
            QDir(folder).removeRecursively();
            QDir().mkpath(folder);
            switch (m_in.pick(6)) {
            case 0:
                m_platform.printAnswers.push_back(std::nullopt);
                break;
            case 1:
                m_platform.printAnswers.push_back(folder + QStringLiteral("/cover.pdf"));
                break;
            case 2:
                m_platform.printAnswers.push_back(QStringLiteral("/dev/full"));
                mustFail = true;
                break;
            case 3:
                mustNotExist = folder + QStringLiteral("/missing/cover.pdf");
                m_platform.printAnswers.push_back(mustNotExist);
                mustFail = true;
                break;
            case 4: {
                const QString file = folder + QStringLiteral("/read-only.pdf");
                untouchedContent = QByteArrayLiteral("an earlier cover");
                QFile f(file);
                if (f.open(QIODevice::WriteOnly))
                    f.write(untouchedContent);
                f.close();
                ::chmod(QFile::encodeName(file).constData(), 0444);
                untouchedFile = file;
                m_platform.printAnswers.push_back(file);
                mustFail = true;
                break;
            }
            default:
                mustNotExist = folder + QStringLiteral("/vanishing/cover.pdf");
                QDir().mkpath(folder + QStringLiteral("/vanishing"));
                m_platform.printAnswers.push_back(mustNotExist);
                m_platform.afterPrintDialog = [folder] {
                    QDir(folder + QStringLiteral("/vanishing")).removeRecursively();
                };
                mustFail = true;
                break;
            }
            click(control<GlyphButton>(mainWindow(), "button4"));
            break;
        }
        case 8:
            click(control<GlyphButton>(mainWindow(), "BitBtn4"));
            break;
        case 9: {
            QCheckBox* boxes[] = {control<QCheckBox>(mainWindow(), "CheckBox1"),
                                  control<QCheckBox>(mainWindow(), "CheckBox2"),
                                  control<QCheckBox>(mainWindow(), "CheckBox3"),
                                  control<QCheckBox>(mainWindow(), "CheckBox4"),
                                  control<QCheckBox>(mainWindow(), "CheckBox6")};
            click(boxes[m_in.pick(5)]);
            break;
        }
        case 10:
            m_platform.colourAnswers.push_back(colourAnswer());
            click(control<QPushButton>(mainWindow(), "Button2"));
            break;
        case 11: {
            const int slot = m_in.pick(pool->files.size());
            const int what = m_in.pick(3);
            if (what == 0) {
                pool->write(slot, m_in.pick(pool->contents.size()));
            } else if (what == 1) {
                QFile file(pool->path(slot));
                if (file.exists()) {
                    file.resize(file.size() * m_in.byte() / 256);
                    pool->files[slot].now = -3; // cut: may or may not still read
                }
            } else {
                pool->write(slot, -1);
            }
            break;
        }
        case 12:
            mainWindow().runCommand([this] { mainWindow().onLink(); });
            break;
        default:
            click(control<GlyphButton>(mainWindow(), "BitBtn3"));
            CHECK_THAT(!mainWindow().isVisible());
            m_open = false;
            return;
        }
        m_platform.pictureAnswers.clear();
        m_platform.fontAnswers.clear();
        m_platform.colourAnswers.clear();
        m_platform.printAnswers.clear();
        m_platform.modalScripts.clear();

        // Continue inside the track editor is a command of its own, checked there.
        const size_t shown = m_platform.errors.size() - errorsBefore - m_editorErrors;
        m_editorErrors = 0;
        if (trace)
            for (size_t i = errorsBefore; i < m_platform.errors.size(); ++i)
                std::fprintf(stderr, "  error box: %s\n", qPrintable(m_platform.errors[i].text));
        CHECK_THAT(shown <= 1);
        if (mustFail)
            CHECK_THAT(shown == 1);
        if (image && shown == 1)
            CHECK_THAT(SheetPixels(*m_sheets) == before);
        if (untouchedFile) {
            QFile f(*untouchedFile);
            CHECK_THAT(f.open(QIODevice::ReadOnly) && f.readAll() == untouchedContent);
        }
        if (!mustNotExist.isEmpty())
            CHECK_THAT(!QFile::exists(mustNotExist));
        checkCover();
        checkRelayoutIsStable();
    }

    void editorActions()
    {
        TrackEditor& editor = trackEditor();
        while (!m_in.done() && editor.isVisible()) {
            const size_t errorsBefore = m_platform.errors.size();
            size_t maxErrors = 1;
            switch (m_in.pick(10)) {
            case 0:
                control<QLineEdit>(editor, "Edit1")->setText(m_in.text());
                break;
            case 1:
                control<QLineEdit>(editor, "Edit2")->setText(m_in.text());
                break;
            case 2:
                control<QLineEdit>(editor, "Edit3")->setText(m_in.text());
                break;
            case 3:
                control<QPushButton>(editor, "Button3")->click();
                break;
            case 4: {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QCoreApplication::sendEvent(control<QLineEdit>(editor, "Edit1"), &press);
                break;
            }
            case 5:
                if (control<QListWidget>(editor, "ListBox1")->count() > 0) {
                    QListWidgetItem* item =
                        control<QListWidget>(editor, "ListBox1")
                            ->item(m_in.byte() % control<QListWidget>(editor, "ListBox1")->count());
                    control<QListWidget>(editor, "ListBox1")->setCurrentItem(item);
                    emit control<QListWidget>(editor, "ListBox1")->itemClicked(item);
                }
                break;
            case 6:
                control<QListWidget>(editor, "ListBox1")->clearSelection();
                break;
            case 7:
                control<QPushButton>(editor, "Button1")->click();
                break;
            case 8:
                editor.reject();
                break;
            default:
                pasteOrDrop(editor);
                maxErrors = 3; // a picture for each insert, and the files left out
                break;
            }
            CHECK_THAT(m_platform.errors.size() - errorsBefore <= maxErrors);
            m_editorErrors += m_platform.errors.size() - errorsBefore;
            checkCover();
        }
    }

    // A track being typed is never lost to what comes in.
    void pasteOrDrop(TrackEditor& editor)
    {
        auto* data = new QMimeData;
        const int what = m_in.pick(int(pool->files.size()) + 2);
        const QString line = m_in.text();
        if (what == 0)
            data->setText(line + QLatin1Char('\n') + m_in.text());
        else
            data->setUrls(
                {QUrl::fromLocalFile(what == 1 ? pool->dir.path() : pool->path(what - 2))});
        const QString typed = control<QLineEdit>(editor, "Edit1")->text();
        if (m_in.pick(2) == 0) {
            QGuiApplication::clipboard()->setMimeData(data);
            QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
            QCoreApplication::sendEvent(control<QLineEdit>(editor, "Edit1"), &paste);
            return; // a paste the editor leaves goes into the line
        }
        const std::unique_ptr<QMimeData> owned(data);
        // Qt hands the drop to the widget that took the drag as it entered.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        if (QCoreApplication::sendEvent(&editor, &enter) && enter.isAccepted())
            QCoreApplication::sendEvent(&editor, &drop);
        QCoreApplication::processEvents(); // a drop is read once it has ended
        CHECK_THAT(control<QLineEdit>(editor, "Edit1")->text() == typed);
    }

    void click(QAbstractButton* button)
    {
        try {
            button->click();
        } catch (...) {
            broken("an error escaped the error box");
        }
    }

    std::optional<FontChoice> fontAnswer()
    {
        const int kind = m_in.pick(7);
        if (kind == 0)
            return std::nullopt;
        static const char* faces[] = {
            "Arial", "DejaVu Sans", "Liberation Serif", "No Such Face", "", "Noto Sans CJK JP"};
        FontChoice f;
        f.face = kind == 6 ? m_in.text() : QString::fromLatin1(faces[kind - 1]);
        f.pixelHeight = m_in.byte();
        f.bold = m_in.byte() & 1;
        f.colour = colourAnswer().value_or(0);
        return f;
    }

    std::optional<Colour> colourAnswer()
    {
        if (m_in.pick(5) == 0)
            return std::nullopt;
        const uint32_t r = m_in.byte(), g = m_in.byte(), b = m_in.byte();
        return Colour(r | (g << 8) | (b << 16));
    }

    void checkCover()
    {
        const Sheets& s = *m_sheets;
        CHECK_THAT(s.backPanel.image().size() == QSize(400, 353));
        CHECK_THAT(s.leftSpine.image().size() == QSize(22, 353));
        CHECK_THAT(s.rightSpine.image().size() == QSize(22, 353));
        CHECK_THAT(s.frontCover.image().size() == QSize(361, 353));
        CHECK_THAT(s.backComposite.image().size() == QSize(442, 353));
    }

    // The re-layout step draws the cover from the state alone: a second run changes nothing,
    // even with the windows' own text drawn in between. The cover is put back afterwards so the
    // session goes on as the user left it.
    void checkRelayoutIsStable()
    {
        if (!m_state.textLaidOut)
            return;
        const Sheets savedSheets = *m_sheets;
        const EditorState savedState = m_state;
        const size_t errors = m_platform.errors.size();
        const bool first = runGuarded(m_platform, nullptr, [this] { mainWindow().relayoutStep(); });
        const SheetPixels once(*m_sheets);
        mainWindow().grab();
        trackEditor().grab();
        const bool second =
            runGuarded(m_platform, nullptr, [this] { mainWindow().relayoutStep(); });
        if (first && second) {
            const SheetPixels twice(*m_sheets);
            if (!(twice == once))
                describeMismatch(once, twice);
            CHECK_THAT(twice == once);
        }
        m_platform.errors.resize(errors);
        *m_sheets = savedSheets;
        m_state = savedState;
    }

    // Where the two runs differ, for the one who has to find out why.
    void describeMismatch(const SheetPixels& once, const SheetPixels& twice)
    {
        for (int i = 0; i < 5; ++i) {
            const QImage& a = once.images[i];
            const QImage& b = twice.images[i];
            if (a == b)
                continue;
            QRect diff;
            for (int y = 0; y < std::min(a.height(), b.height()); ++y)
                for (int x = 0; x < std::min(a.width(), b.width()); ++x)
                    if (a.pixel(x, y) != b.pixel(x, y))
                        diff |= QRect(x, y, 1, 1);
            std::fprintf(stderr, "Image%d differs in (%d,%d) %dx%d\n", i + 1, diff.x(), diff.y(),
                         diff.width(), diff.height());
            a.save(QStringLiteral("/tmp/fuzz-session-Image%1-once.png").arg(i + 1));
            b.save(QStringLiteral("/tmp/fuzz-session-Image%1-twice.png").arg(i + 1));
        }
        std::fprintf(
            stderr,
            "centred %d, back picture %d %s, front picture %d %s, fonts %s / %s, tracks %d\n",
            m_state.centredMode, m_state.backPicture.shown(),
            qPrintable(m_state.backPicture.file()), m_state.frontPicture.shown(),
            qPrintable(m_state.frontPicture.file()), qPrintable(m_state.backFont.face()),
            qPrintable(m_state.frontFont.face()), int(trackEditor().trackLines().size()));
        std::fprintf(stderr, "artist \"%s\" title \"%s\"\n",
                     qPrintable(trackEditor().artist().left(80)),
                     qPrintable(trackEditor().title().left(80)));
    }

    Input& m_in;
    ScriptedPlatform m_platform;
    PictureStore m_pictures; // each session starts as a fresh program would
    EditorState m_state;
    std::unique_ptr<Sheets> m_sheets;
    AppWindows m_windows;
    bool m_open = true;
    size_t m_editorErrors = 0;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    static QApplication* app = new QApplication(*argc, *argv);
    (void)app;
    trace = qEnvironmentVariableIsSet("PLATTERA_FUZZ_TRACE");
    pool = new PicturePool;
    pool->setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pool->reset();
    Input in(data, size);
    {
        Session session(in);
        session.run();
    }
    QCoreApplication::processEvents();
    return 0;
}
