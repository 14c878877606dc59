// The window offscreen: controls and defaults, the drop handler's checks, and
// the play button's run from a dropped picture to the completion question.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

#include "help.h"
#include "messages.h"
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
    bool answer = false;
    std::unique_ptr<gc::MainWindow> win;

    Harness()
    {
        gc::play_state = gc::STATE_IDLE;
        gc::Prompts p;
        p.show = [this](const QString &c, const QString &t, QMessageBox::Icon i) { shown.push_back({c, t, i}); };
        p.ask = [this](const QString &, const QString &t) {
            asked.push_back(t);
            return answer;
        };
        p.launch = [](const std::u16string &) { return 0; };
        win = std::make_unique<gc::MainWindow>(lib, p);
        win->show();
    }
    template <class T> T *get(const char *name) { return win->findChild<T *>(name); }
    bool wait_idle(int ms = 20000)
    {
        QElapsedTimer t;
        t.start();
        while (win->running() && t.elapsed() < ms)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return !win->running();
    }
};

QString u8(const char *s) { return QString::fromUtf8(s); }

std::string make_png(const char *name)
{
    static std::string dir = vtest::make_temp_dir("gc-win");
    std::string path = dir + "/" + name;
    QImage img(40, 30, QImage::Format_RGB888);
    img.fill(QColor(200, 100, 50));
    img.save(QString::fromStdString(path));
    return path;
}

} // namespace

TEST(Window, ControlsAndDefaults)
{
    Harness h;
    EXPECT_EQ(h.win->windowTitle(), u8("ぐりっどしねま"));
    EXPECT_EQ(h.win->size(), QSize(670, 610));
    struct {
        const char *name;
        QRect at;
    } places[] = {{"sound_off", {550, 3, 100, 23}},  {"grayscale", {550, 20, 100, 23}},
                  {"test_run", {550, 38, 100, 23}},  {"sheet_count", {90, 20, 40, 20}},
                  {"max_sheets", {150, 20, 80, 20}}, {"status", {150, 63, 510, 20}},
                  {"progress", {20, 90, 640, 8}},    {"play", {20, 62, 110, 20}}};
    for (const auto &p : places) {
        QWidget *w = h.get<QWidget>(p.name);
        ASSERT_NE(w, nullptr) << p.name;
        EXPECT_EQ(w->geometry(), p.at) << p.name;
    }
    EXPECT_EQ(h.get<QCheckBox>("sound_off")->text(), u8("音声オフ"));
    EXPECT_EQ(h.get<QCheckBox>("grayscale")->text(), u8("グレイスケール"));
    EXPECT_EQ(h.get<QCheckBox>("test_run")->text(), u8("テスト実行"));
    EXPECT_EQ(h.get<QLineEdit>("max_sheets")->text(), "1000");
    EXPECT_EQ(h.get<QLineEdit>("status")->text(), u8(gc::msg::DROP_PROMPT));
    EXPECT_EQ(h.get<QComboBox>("ratio")->currentText(), "1/4");
    EXPECT_EQ(h.get<QComboBox>("zoom")->currentText(), "20");
    EXPECT_EQ(h.get<QComboBox>("speed")->currentText(), "1.0");
    EXPECT_EQ(h.get<QComboBox>("speed")->count(), 11);
    auto *play = h.get<QPushButton>("play");
    EXPECT_EQ(play->text(), u8("再生"));
    EXPECT_FALSE(play->isEnabled());
    EXPECT_EQ(h.win->findChild<QAction *>("exit")->shortcut(), QKeySequence("Ctrl+X"));
    EXPECT_EQ(h.win->findChild<QAction *>("help")->shortcut(), QKeySequence("F1"));
    EXPECT_EQ(h.win->findChild<QAction *>("version")->shortcut(), QKeySequence("Ctrl+A"));
    auto menus = h.win->menuBar()->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), u8("ファイル(&F)"));
    EXPECT_EQ(menus[1]->text(), u8("ヘルプ(&H)"));
}

TEST(Window, DropValidation)
{
    Harness h;
    const std::string png = make_png("a.png");
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
    EXPECT_EQ(arg.ratio, 8);
    EXPECT_EQ(arg.zoom, 100);
    EXPECT_DOUBLE_EQ(arg.speed, 0.5);
    EXPECT_EQ(arg.color_mode, gc::COLOR_MODE_GRAY);
    EXPECT_EQ(arg.max_sheets, 30);
    EXPECT_EQ(arg.is_video, 0);
    EXPECT_EQ(h.get<QLineEdit>("status")->text(), u8(gc::msg::READY_TO_PLAY));
    EXPECT_TRUE(h.get<QPushButton>("play")->isEnabled());
    EXPECT_FALSE(h.get<QComboBox>("ratio")->isEnabled());
    QWidget *video = h.get<QWidget>("video");
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->geometry(), QRect(20, 108, 640, 480));

    // An unsupported file: the player's message, no caption, settings stay disabled.
    h.win->drop_files({"/tmp/notes.txt"});
    ASSERT_EQ(h.shown.size(), 3u);
    EXPECT_EQ(h.shown[2].text, u8(gc::msg::UNSUPPORTED));
    EXPECT_EQ(h.shown[2].icon, QMessageBox::Critical);
    EXPECT_FALSE(h.get<QPushButton>("play")->isEnabled());
}

TEST(Window, PlayButtonRunsThroughTheStates)
{
    Harness h;
    h.answer = false;
    const std::string png = make_png("run.png");
    h.get<QLineEdit>("max_sheets")->setText("0");
    h.win->drop_files({QString::fromStdString(png)});
    EXPECT_EQ(h.win->play_arg().max_sheets, 1000);
    auto *play = h.get<QPushButton>("play");

    h.win->press_play();
    EXPECT_EQ(gc::play_state.load(), gc::STATE_PLAYING);
    EXPECT_EQ(play->text(), u8("変換開始"));
    EXPECT_EQ(h.get<QLineEdit>("status")->text(), u8(gc::msg::READY_TO_CONVERT));
    h.win->drop_files({QString::fromStdString(png)});  // refused during a run
    EXPECT_TRUE(h.shown.empty());
    EXPECT_TRUE(h.lib.calls.empty());

    h.win->press_play();
    EXPECT_EQ(gc::play_state.load(), gc::STATE_CONVERTING);
    ASSERT_TRUE(h.wait_idle());
    EXPECT_TRUE(h.shown.empty()) << h.shown[0].text.toStdString();
    ASSERT_EQ(h.asked.size(), 1u);
    EXPECT_EQ(h.asked[0], u8(gc::msg::ASK_LAUNCH));
    EXPECT_EQ(h.lib.named("open_sheet").size(), 1u);  // a picture: one sheet
    EXPECT_EQ(h.lib.calls.back().text, "SAVE");
    EXPECT_EQ(gc::play_state.load(), gc::STATE_IDLE);
    EXPECT_EQ(play->text(), u8("再生"));
    EXPECT_FALSE(play->isEnabled());
    EXPECT_TRUE(h.get<QComboBox>("ratio")->isEnabled());
    EXPECT_EQ(h.get<QLineEdit>("sheet_count")->text(), "0");
    EXPECT_EQ(h.get<QProgressBar>("progress")->value(), 0);
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
    h.win->drop_files({QString::fromStdString(make_png("t.png"))});
    h.win->press_play();
    EXPECT_EQ(gc::play_state.load(), gc::STATE_CONVERTING);
    ASSERT_TRUE(h.wait_idle());
    ASSERT_EQ(h.shown.size(), 1u);
    EXPECT_EQ(h.shown[0].text, u8(gc::msg::CONVERT_FAILED));
    EXPECT_EQ(h.shown[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(h.asked.empty());
    EXPECT_EQ(gc::play_state.load(), gc::STATE_IDLE);
}

TEST(Window, HelpText)
{
    const QString t = gc::help_text();
    EXPECT_TRUE(t.startsWith(u8("[はじめに]\r\n    このプログラムは、Excel生成API「VELMORA」を利用したサンプルプログラムです。\r\n")));
    EXPECT_TRUE(t.contains(u8("\r\n\r\n[ウィンドウ項目]\r\n    ○再生ボタン\r\n         対象をファイルを再生/表示します。\r\n")));
    EXPECT_TRUE(t.contains(u8("    ○テスト実行\r\n         冒頭30シートだけ変換します。")));
    EXPECT_TRUE(t.endsWith(u8("    変換後のブックのファイルサイズに応じたメモリを消費します。")));
    EXPECT_EQ(t.count("[") , 4);
}

TEST(Window, VideoPlaysAndTheStopPressEndsTheRun)
{
    if (!vtest::have_program("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    const std::string dir = vtest::make_temp_dir("gc-win-clip");
    const std::string clip = dir + "/clip.avi";
    ASSERT_EQ(vtest::run("ffmpeg -v error -y -f lavfi -i testsrc2=size=64x48:rate=25:duration=20 "
                         "-f lavfi -i sine=duration=20 -shortest " + vtest::shell_quote(clip)), 0);
    Harness h;
    h.get<QCheckBox>("sound_off")->setChecked(true);
    h.win->drop_files({QString::fromStdString(clip)});
    ASSERT_TRUE(h.get<QPushButton>("play")->isEnabled());
    EXPECT_EQ(h.win->play_arg().is_video, -1);
    EXPECT_EQ(h.get<QWidget>("video")->geometry(), QRect(20, 108, 640, 480));

    h.win->press_play();
    h.win->press_play();
    QElapsedTimer t;
    t.start();
    while (h.get<QLineEdit>("sheet_count")->text().toInt() < 3 && t.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(h.get<QPushButton>("play")->text(), u8("変換終了"));
    EXPECT_EQ(h.get<QLineEdit>("status")->text(), u8(gc::msg::CONVERTING));
    h.win->press_play();  // stop: the sheet being written is finished
    EXPECT_EQ(gc::play_state.load(), gc::STATE_STOP);
    ASSERT_TRUE(h.wait_idle());
    const size_t sheets = h.lib.named("open_sheet").size();
    EXPECT_GE(sheets, 3u);
    EXPECT_LT(sheets, 100u);
    EXPECT_EQ(h.lib.named("put_values").size(), sheets * (2 + 12));  // every sheet whole
    EXPECT_NE(h.lib.calls.front().text.find("clip.xlsm\""), std::string::npos);
    EXPECT_EQ(h.asked.size(), 1u);

    // Closing the window during a conversion stops it and frees the book unsaved.
    h.lib.calls.clear();
    h.win->drop_files({QString::fromStdString(clip)});
    h.win->press_play();
    h.win->press_play();
    t.restart();
    while (h.lib.named("open_sheet").empty() && t.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    h.win->close();
    EXPECT_FALSE(h.win->running());
    EXPECT_EQ(gc::play_state.load(), gc::STATE_IDLE);
    EXPECT_EQ(h.lib.calls.back().fn, "free_book");
    EXPECT_TRUE(h.lib.named("close_book").empty());
}
