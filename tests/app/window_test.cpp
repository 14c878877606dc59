// The window offscreen: the drop handler's checks, the progress bar, the dialogs' language and the play
// button's run to the completion question. Real drops on an X server are gui_drag_test.py's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>

extern "C" {
#include <libavutil/error.h>
}

#include <fstream>
#include <functional>

#include "help.h"
#include "media.h"
#include "messages.h"
#include "translations.h"
#include "recorder.h"
#include "test_support.h"
#include "window.h"

using gctest::Recorder;

namespace {

struct Shown {
    QString caption, text;
    QMessageBox::Icon icon;
};

struct Harness {
    Recorder lib;
    std::vector<Shown> shown;
    std::vector<QString> asked;
    std::unique_ptr<gc::MainWindow> win;

    Harness()
    {
        gc::play_state = gc::STATE_IDLE;
        gc::Prompts p;
        p.show = [this](const QString &c, const QString &t, QMessageBox::Icon i) { shown.push_back({c, t, i}); };
        p.ask = [this](const QString &, const QString &t) {
            asked.push_back(t);
            return false;  // いいえ
        };
        p.launch = [](const std::u16string &) { return 0; };
        win = std::make_unique<gc::MainWindow>(lib, p);
        win->show();
    }
    template <class T> T *get(const char *name) { return win->findChild<T *>(name); }
    // Runs the event loop until done() or 20 s have passed; done()'s last value.
    bool wait(const std::function<bool()> &done)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 20000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    bool wait_idle() { return wait([this] { return !win->running(); }); }
};

QString u8(const char *s) { return QString::fromUtf8(s); }

// A clip made by ffmpeg in a fresh folder; empty when ffmpeg is missing.
std::string make_clip(const char *name, const std::string &source)
{
    if (!vtest::have_program("ffmpeg"))
        return {};
    const std::string path = vtest::make_temp_dir("gc-win-clip") + "/" + name;
    if (vtest::run("ffmpeg -v error -y -f lavfi -i " + source + " " + vtest::shell_quote(path)) != 0)
        return {};
    return path;
}

} // namespace

TEST(Window, DropValidation)
{
    Harness h;
    const std::string png = gctest::save_picture(vtest::make_temp_dir("gc-win") + "/a.png");
    auto *max = h.get<QLineEdit>("max_sheets");

    max->setText("1001");  // refused: message, field reset, nothing else changes
    h.win->drop_files({QString::fromStdString(png)});
    ASSERT_EQ(h.shown.size(), 1u);
    EXPECT_EQ(h.shown[0].text, u8(gc::msg::RANGE));
    EXPECT_EQ(h.shown[0].caption, u8(gc::msg::CAPTION));
    EXPECT_EQ(max->text(), "1000");
    EXPECT_TRUE(h.get<QComboBox>("ratio")->isEnabled());
    EXPECT_FALSE(h.get<QPushButton>("play")->isEnabled());

    // A path longer than the record holds is refused, not cut.
    h.win->drop_files({"/" + QString(300, 'x') + ".png"});
    ASSERT_EQ(h.shown.size(), 2u);
    EXPECT_EQ(h.shown[1].text, u8(gc::msg::PATH_TOO_LONG));

    // Not a number: 1000. Settings map through the lists; only the first file counts.
    max->setText("abc");
    h.get<QComboBox>("ratio")->setCurrentIndex(3);
    h.get<QComboBox>("zoom")->setCurrentIndex(0);
    h.get<QComboBox>("speed")->setCurrentIndex(10);
    h.get<QCheckBox>("grayscale")->setChecked(true);
    h.get<QCheckBox>("test_run")->setChecked(true);
    h.win->drop_files({QString::fromStdString(png), "/nonexistent.avi"});
    EXPECT_EQ(h.shown.size(), 2u);
    const gc::PLAY_ARG &arg = h.win->play_arg();
    EXPECT_EQ(gc::to_utf8(gc::play_path(arg)), png);
    EXPECT_EQ((std::vector<double>{double(arg.ratio), double(arg.zoom), arg.speed, double(arg.color_mode),
                                   double(arg.max_sheets), double(arg.is_video)}),
              (std::vector<double>{8, 100, 0.5, gc::COLOR_MODE_GRAY, 30, 0}));
    EXPECT_TRUE(h.get<QPushButton>("play")->isEnabled());
    EXPECT_FALSE(h.get<QComboBox>("ratio")->isEnabled());

    // An unsupported file: the player's message, no caption, settings stay disabled.
    h.win->drop_files({"/tmp/notes.txt"});
    ASSERT_EQ(h.shown.size(), 3u);
    EXPECT_EQ(h.shown[2].text, u8(gc::msg::UNSUPPORTED));
    EXPECT_EQ(h.shown[2].icon, QMessageBox::Critical);
    EXPECT_FALSE(h.get<QPushButton>("play")->isEnabled());

    // A broken clip: the text naming the cause (the command line's refusal of one is media_test's).
    const std::string avi = vtest::make_temp_dir("gc-win-broken") + "/broken.avi";
    std::ofstream(avi, std::ios::binary) << std::string("RIFF\x10\0\0\0AVI LIST garbage garbage garbage", 40);
    h.win->drop_files({QString::fromStdString(avi)});
    ASSERT_EQ(h.shown.size(), 4u);
    EXPECT_EQ(h.shown[3].icon, QMessageBox::Critical);
    EXPECT_TRUE(h.shown[3].text.startsWith("ERROR:RenderFile() ")) << h.shown[3].text.toStdString();
}

TEST(Window, PlayButtonRunsThroughTheStates)
{
    Harness h;
    const std::string png = gctest::save_picture(vtest::make_temp_dir("gc-win") + "/run.png");
    h.get<QLineEdit>("max_sheets")->setText("0");
    h.win->drop_files({QString::fromStdString(png)});
    EXPECT_EQ(h.win->play_arg().max_sheets, 1000);
    auto *play = h.get<QPushButton>("play");

    // The question answered いいえ on a real screen is gui_drag_test.py's; here the states and what is released.
    h.win->press_play();
    EXPECT_EQ(gc::play_state.load(), gc::STATE_PLAYING);
    h.win->drop_files({QString::fromStdString(png)});  // refused during a run
    EXPECT_TRUE(h.shown.empty());
    EXPECT_TRUE(h.lib.calls.empty());

    h.win->press_play();
    EXPECT_EQ(gc::play_state.load(), gc::STATE_CONVERTING);
    ASSERT_TRUE(h.wait_idle());
    EXPECT_TRUE(h.shown.empty()) << h.shown[0].text.toStdString();
    ASSERT_EQ(h.asked.size(), 1u);
    EXPECT_EQ(h.lib.named("open_sheet").size(), 1u);  // a picture: one sheet
    EXPECT_EQ(h.lib.calls.back().text, "SAVE");
    EXPECT_EQ(gc::play_state.load(), gc::STATE_IDLE);
    // Back to the idle form.
    EXPECT_FALSE(play->isEnabled());
    EXPECT_TRUE(h.get<QComboBox>("ratio")->isEnabled());
    EXPECT_EQ(h.get<QLineEdit>("sheet_count")->text() + "|" + QString::number(h.get<QProgressBar>("progress")->value()), "0|0");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(h.get<QWidget>("video"), nullptr);  // the player was released

    // In state 3 the button does nothing.
    gc::play_state = gc::STATE_STOP;
    h.win->press_play();
    EXPECT_EQ(gc::play_state.load(), gc::STATE_STOP);
    gc::play_state = gc::STATE_IDLE;
}

TEST(Window, TestRunConvertsAtOnceAndFailuresAreShown)
{
    Harness h;
    h.lib.open_rc = -3;
    h.get<QCheckBox>("test_run")->setChecked(true);
    h.win->drop_files({QString::fromStdString(gctest::save_picture(vtest::make_temp_dir("gc-win") + "/t.png"))});
    h.win->press_play();
    EXPECT_EQ(gc::play_state.load(), gc::STATE_CONVERTING);
    ASSERT_TRUE(h.wait_idle());
    ASSERT_EQ(h.shown.size(), 1u);
    EXPECT_EQ(h.shown[0].text, u8(gc::msg::CONVERT_FAILED));
    EXPECT_EQ(h.shown[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(h.asked.empty());
    EXPECT_EQ(gc::play_state.load(), gc::STATE_IDLE);
}

// Closing the window mid-conversion stops it and frees the book unsaved (a stop press: conversion tests).
TEST(Window, ClosingDuringAConversionFreesTheBookUnsaved)
{
    const std::string clip =
        make_clip("clip.avi", "testsrc2=size=64x48:rate=25:duration=20 -f lavfi -i sine=duration=20 -shortest");
    if (clip.empty())
        GTEST_SKIP() << "ffmpeg not installed";
    Harness h;
    h.get<QCheckBox>("sound_off")->setChecked(true);
    h.win->drop_files({QString::fromStdString(clip)});
    ASSERT_TRUE(h.get<QPushButton>("play")->isEnabled());
    EXPECT_EQ(h.win->play_arg().is_video, -1);
    EXPECT_EQ(h.get<QWidget>("video")->geometry(), QRect(20, 108, 640, 480));
    h.win->press_play();
    h.win->press_play();
    h.wait([&] { return h.get<QLineEdit>("sheet_count")->text().toInt() >= 2; });
    EXPECT_EQ(h.get<QPushButton>("play")->text(), u8("変換終了"));
    EXPECT_EQ(h.get<QLineEdit>("status")->text(), u8(gc::msg::CONVERTING));
    EXPECT_NE(h.lib.calls.front().text.find("clip.xlsm\""), std::string::npos);
    h.win->close();
    EXPECT_FALSE(h.win->running());
    EXPECT_EQ(gc::play_state.load(), gc::STATE_IDLE);
    EXPECT_EQ(h.lib.calls.back().fn, "free_book");
    EXPECT_TRUE(h.lib.named("close_book").empty());
    EXPECT_TRUE(h.asked.empty());
}

TEST(Window, ProgressFollowsThePlaybackToTheEnd)
{
    // 10 fps: each frame is 2 % of the playback, so a bar stepped once per new percentage would stop half way.
    const std::string clip = make_clip("progress.avi", "testsrc2=size=64x48:rate=10:duration=2");
    if (clip.empty())
        GTEST_SKIP() << "ffmpeg not installed";
    // Converting: the bar takes the playback percentage after each sheet.
    Harness h;
    h.get<QCheckBox>("sound_off")->setChecked(true);
    h.win->drop_files({QString::fromStdString(clip)});
    auto *bar = h.get<QProgressBar>("progress");
    QElapsedTimer t;
    int at_one_and_a_half = 0;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int v) {
        if (t.elapsed() <= 1500)
            at_one_and_a_half = v;
    });
    t.start();
    h.win->press_play();
    h.win->press_play();
    ASSERT_TRUE(h.wait_idle());
    EXPECT_GE(at_one_and_a_half, 45) << "the bar lags behind the playback";
    EXPECT_GE(h.lib.named("open_sheet").size(), 5u);
    EXPECT_EQ(bar->value(), 0);  // back to the idle form
}

TEST(Window, DialogsSpeakJapanese)
{
    ASSERT_TRUE(gc::install_qt_translations(*qApp))
        << "Qt's Japanese catalogue qtbase_ja.qm is missing (Debian: qt6-translations-l10n)";
    // A Latin word other than the product and library names and the fixed "OK" and "ERROR:" texts.
    const QRegularExpression english(QStringLiteral("[A-Za-z]{2,}"));
    const QStringList allowed = {"OK", "API", "VELMORA", "Excel", "Linux", "Qt", "FFmpeg", "ERROR"};
    auto latin_words = [&](QString text) {
        text.remove(QRegularExpression(QStringLiteral("\\(&[A-Za-z]\\)|&")));  // mnemonics
        QStringList words;
        for (auto it = english.globalMatch(text); it.hasNext();) {
            QString word = it.next().captured();
            if (!allowed.contains(word))
                words << word;
        }
        return words;
    };

    auto ask = gc::message_box(u8(gc::msg::CAPTION), u8(gc::msg::ASK_LAUNCH), QMessageBox::NoIcon,
                               QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(ask->button(QMessageBox::Yes)->text().startsWith(u8("はい")));
    EXPECT_TRUE(ask->button(QMessageBox::No)->text().startsWith(u8("いいえ")));
    EXPECT_EQ(ask->windowTitle(), u8("ぐりっどしねま"));
    EXPECT_TRUE(ask->windowFlags() & Qt::WindowStaysOnTopHint);

    // Without a caption a message gets the platform's default title, not the program's file name.
    auto error = gc::message_box(QString(), u8(gc::msg::UNSUPPORTED), QMessageBox::Critical, QMessageBox::Ok);
    EXPECT_EQ(error->windowTitle(), u8("エラー"));
    EXPECT_EQ(latin_words(error->button(QMessageBox::Ok)->text()), QStringList());

    EXPECT_EQ(latin_words(gc::version_text()), QStringList());
    EXPECT_EQ(latin_words(gc::help_text()), QStringList());

    // The text boxes' context menu.
    Harness h;
    for (const char *name : {"sheet_count", "max_sheets", "status"}) {
        std::unique_ptr<QMenu> menu(h.get<QLineEdit>(name)->createStandardContextMenu());
        for (QAction *a : menu->actions())  // a separator's text is empty
            EXPECT_EQ(latin_words(a->text().section('\t', 0, 0)), QStringList()) << a->text().toStdString();
    }
}

TEST(Window, BrokenVideoNamesTheCause)
{
    EXPECT_EQ(gc::render_failed_text(AVERROR_INVALIDDATA),
              "ERROR:RenderFile() ファイルオープンエラー rc = データが壊れているか、読めない形式です\n");
    EXPECT_EQ(gc::render_failed_text(AVERROR(ENOENT)),
              "ERROR:RenderFile() ファイルオープンエラー rc = ファイルが見つかりません\n");
}
