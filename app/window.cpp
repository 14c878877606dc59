// The main window of ぐりっどしねま.
#include "window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <cstdlib>

#include "artwork.h"
#include "help.h"
#include "launch.h"
#include "messages.h"

namespace gc {
namespace {

QString u8(const char *s) { return QString::fromUtf8(s); }

constexpr int RATIO_VALUES[] = {1, 2, 4, 8};
constexpr int ZOOM_VALUES[] = {100, 80, 40, 20, 10};
constexpr double SPEED_VALUES[] = {1.5, 1.4, 1.3, 1.2, 1.1, 1.0, 0.9, 0.8, 0.7, 0.6, 0.5};

QFont app_font()
{
    QFont f;
    for (const char *family : {"Noto Sans CJK JP", "Noto Sans JP"})
        if (QFontDatabase::hasFamily(family)) {
            f.setFamily(family);
            break;
        }
    f.setPixelSize(12);
    f.setWeight(QFont::Normal);
    return f;
}

// The leading decimal number of a text (blanks, a sign, digits), saturated;
// 0 when there is none.
long long leading_number(const QString &text)
{
    QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        negative = t[i++] == '-';
    long long v = 0;
    for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i)
        v = std::min<long long>(v * 10 + (t[i].unicode() - '0'), 1LL << 40);
    return negative ? -v : v;
}

// The client area: button-face background, the bitmap and the field labels.
class Client : public QWidget {
public:
    explicit Client(QWidget *parent) : QWidget(parent), logo_(logo_bitmap()) {}

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter p(this);
        p.fillRect(event->rect(), palette().color(QPalette::Button));
        p.drawPixmap(18, 5, logo_);
        p.setFont(font());
        p.setPen(palette().color(QPalette::ButtonText));
        const struct {
            int x;
            const char *text;
        } labels[] = {{90, "シート数"}, {150, "最大シート数"}, {250, "再生速度倍率"}, {350, "縮小倍率"}, {450, "ズーム"}};
        for (const auto &l : labels)
            p.drawText(QRect(l.x, 2, 120, 16), Qt::AlignLeft | Qt::AlignTop, u8(l.text));
    }

private:
    QPixmap logo_;
};

} // namespace

std::unique_ptr<QMessageBox> message_box(const QString &caption, const QString &text, QMessageBox::Icon icon,
                                         QMessageBox::StandardButtons buttons)
{
    auto box = std::make_unique<QMessageBox>(icon, caption.isEmpty() ? u8(msg::ERROR_CAPTION) : caption, text,
                                             buttons);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    return box;
}

Prompts default_prompts()
{
    Prompts p;
    p.show = [](const QString &caption, const QString &text, QMessageBox::Icon icon) {
        message_box(caption, text, icon, QMessageBox::Ok)->exec();
    };
    p.ask = [](const QString &caption, const QString &text) {
        return message_box(caption, text, QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No)->exec() ==
               QMessageBox::Yes;
    };
    p.launch = [](const std::u16string &path) { return launch_workbook(path); };
    return p;
}

MainWindow::MainWindow(Library &lib, Prompts prompts) : lib_(lib), prompts_(std::move(prompts))
{
    setWindowTitle(u8(msg::CAPTION));
    setWindowIcon(app_icon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(app_font());
    build_menu();
    client_ = new Client(this);
    client_->setObjectName("client");
    setCentralWidget(client_);
    build_controls(client_);
    // The client area below the menu bar is 670 x 610, so that the video
    // area (108 + 480 for a 4:3 picture) fits whole under any menu font.
    const QSize outer(670, 610 + menuBar()->sizeHint().height());
    setFixedSize(outer);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect s = screen->geometry();
        move(s.x() + (s.width() - 670) / 2, s.y() + (s.height() - 610) / 2);
    }
    setAcceptDrops(true);
    refuse_child_drops();
    connect(&pump_, &QTimer::timeout, this, [this] { tick(); });
}

MainWindow::~MainWindow()
{
    shut_down();
}

void MainWindow::build_menu()
{
    QMenu *file = menuBar()->addMenu(u8("ファイル(&F)"));
    QAction *exit = file->addAction(u8("終了(&X)"));
    exit->setObjectName("exit");
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    connect(exit, &QAction::triggered, this, [this] { close(); });

    QMenu *help = menuBar()->addMenu(u8("ヘルプ(&H)"));
    QAction *h = help->addAction(u8("ヘルプ(&H)"));
    h->setObjectName("help");
    h->setShortcut(QKeySequence(Qt::Key_F1));
    connect(h, &QAction::triggered, this, [this] { show_help(this); });
    help->addSeparator();
    QAction *v = help->addAction(u8("バージョン情報(&A)"));
    v->setObjectName("version");
    v->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(v, &QAction::triggered, this, [] { show_version(); });
}

void MainWindow::build_controls(QWidget *c)
{
    auto check = [&](const char *name, const char *text, int y) {
        auto *b = new QCheckBox(u8(text), c);
        b->setObjectName(name);
        b->setGeometry(550, y, 100, 23);
        return b;
    };
    sound_off_ = check("sound_off", "音声オフ", 3);
    grayscale_ = check("grayscale", "グレイスケール", 20);
    test_run_ = check("test_run", "テスト実行", 38);

    auto edit = [&](const char *name, QRect at, Qt::Alignment align) {
        auto *e = new QLineEdit(c);
        e->setObjectName(name);
        e->setGeometry(at);
        e->setAlignment(align);
        return e;
    };
    sheet_count_ = edit("sheet_count", QRect(90, 20, 40, 20), Qt::AlignRight);

    max_sheets_ = edit("max_sheets", QRect(150, 20, 80, 20), Qt::AlignRight);
    max_sheets_->setText("1000");
    status_ = edit("status", QRect(150, 63, 510, 20), Qt::AlignLeft);
    status_->setText(u8(msg::DROP_PROMPT));
    status_->setCursorPosition(0);
    // The menu's shortcuts come before the fields' own Ctrl+X and Ctrl+A.
    for (QLineEdit *e : {sheet_count_, max_sheets_, status_})
        e->installEventFilter(this);

    auto list = [&](const char *name, QStringList items, int index, QRect at) {
        auto *b = new QComboBox(c);
        b->setObjectName(name);
        b->addItems(items);
        b->setCurrentIndex(index);
        b->setGeometry(at.x(), at.y(), at.width(), 20);  // the drop-down opens below
        b->setMaxVisibleItems(std::max(1, (at.height() - 20) / 16));
        return b;
    };
    ratio_ = list("ratio", {"1/1", "1/2", "1/4", "1/8"}, 2, QRect(350, 20, 80, 120));
    zoom_ = list("zoom", {"100", "80", "40", "20", "10"}, 3, QRect(450, 20, 80, 120));
    speed_ = list("speed", {"1.5", "1.4", "1.3", "1.2", "1.1", "1.0", "0.9", "0.8", "0.7", "0.6", "0.5"}, 5,
                  QRect(250, 20, 80, 180));

    progress_ = new QProgressBar(c);
    progress_->setObjectName("progress");
    progress_->setGeometry(20, 90, 640, 8);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progress_->setFont(QFont());

    play_ = new QPushButton(u8(msg::BUTTON_PLAY), c);
    play_->setObjectName("play");
    play_->setGeometry(20, 62, 110, 20);
    play_->setEnabled(false);
    connect(play_, &QPushButton::clicked, this, [this] { press_play(); });
}

// A file dropped anywhere on the window goes to the window's drop handler:
// no child takes a drop for itself (a text box would paste the file's
// address). Qt hands a drop to the innermost widget that accepts drops, so
// every child refuses them and the drop reaches the window.
void MainWindow::refuse_child_drops()
{
    for (QWidget *w : findChildren<QWidget *>())
        w->setAcceptDrops(false);
}

// The bar shows the playback percentage; it only moves forward.
void MainWindow::show_progress(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent > progress_->value())
        progress_->setValue(percent);
}

void MainWindow::error_box(const QString &caption, const char *text)
{
    prompts_.show(caption, u8(text), QMessageBox::Critical);
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    // Drops are refused while a run is going.
    if (phase_ == Phase::Idle && play_state.load() == STATE_IDLE && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    if (phase_ != Phase::Idle || play_state.load() != STATE_IDLE) {
        event->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    event->acceptProposedAction();
    drop_files(paths);
}

void MainWindow::drop_files(const QStringList &paths)
{
    if (paths.isEmpty() || phase_ != Phase::Idle || play_state.load() != STATE_IDLE)
        return;
    const QString path = paths.first();

    int max_sheets = 1000;
    long long typed = leading_number(max_sheets_->text());
    if (typed > 0) {
        if (typed > 1000) {
            prompts_.show(u8(msg::CAPTION), u8(msg::RANGE), QMessageBox::NoIcon);
            max_sheets_->setText("1000");
            return;
        }
        max_sheets = int(typed);
    }
    const std::u16string path16 = path.toStdU16String();
    if (path16.size() >= PLAY_PATH_UNITS) {
        prompts_.show(u8(msg::CAPTION), u8(msg::PATH_TOO_LONG), QMessageBox::Warning);
        return;
    }

    int ratio = 4, zoom = 20;
    double speed = 1.0;
    if (int i = ratio_->currentIndex(); i >= 0 && i < 4)
        ratio = RATIO_VALUES[i];
    if (int i = zoom_->currentIndex(); i >= 0 && i < 5)
        zoom = ZOOM_VALUES[i];
    if (int i = speed_->currentIndex(); i >= 0 && i < 11)
        speed = SPEED_VALUES[i];

    status_->setText(u8(msg::PREPARING));
    status_->setCursorPosition(0);
    for (QWidget *w : std::initializer_list<QWidget *>{sound_off_, grayscale_, test_run_, max_sheets_, ratio_,
                                                       zoom_, speed_, play_})
        w->setEnabled(false);
    repaint();

    player_.reset();
    arg_ = PLAY_ARG();
    set_play_path(arg_, path16);
    arg_.color_mode = grayscale_->isChecked() ? COLOR_MODE_GRAY : COLOR_MODE_COLOR;
    arg_.speed = speed;
    arg_.ratio = ratio;
    arg_.zoom = zoom;
    arg_.interval_ms = 50;
    arg_.max_sheets = test_run_->isChecked() ? 30 : max_sheets;
    arg_.result = RESULT_OK;
    arg_.is_video = -1;
    arg_.sound_off = sound_off_->isChecked() ? -1 : 0;

    std::string message = build_graph(arg_, lib_, client_, player_);
    refuse_child_drops();  // the video area too
    if (arg_.result == RESULT_REFUSED) {
        prompts_.show(QString(), QString::fromStdString(message), QMessageBox::Critical);
        return;
    }
    if (arg_.result != RESULT_OK) {
        error_box(u8(msg::CAPTION), msg::CONVERT_FAILED);
        return;
    }
    status_->setText(u8(msg::READY_TO_PLAY));
    status_->setCursorPosition(0);
    play_->setEnabled(true);
}

void MainWindow::press_play()
{
    const int32_t state = play_state.load();
    if (state == STATE_PLAYING || state == STATE_CONVERTING) {
        play_state = state + 1;
        return;
    }
    if (state != STATE_IDLE || phase_ != Phase::Idle || !player_)
        return;
    player_->run();
    play_state = test_run_->isChecked() ? STATE_CONVERTING : STATE_PLAYING;
    // The run: playing until the button is pressed again.
    status_->setText(u8(msg::READY_TO_CONVERT));
    status_->setCursorPosition(0);
    play_->setText(u8(msg::BUTTON_START));
    play_->setEnabled(true);
    phase_ = Phase::Playing;
    pump_.start(10);
}

void MainWindow::tick()
{
    switch (phase_) {
    case Phase::Idle:
        pump_.stop();
        break;
    case Phase::Playing:
        if (play_state.load() > STATE_PLAYING) {
            start_conversion();
        } else if (player_) {
            show_progress(progress_percent(*player_));
        }
        break;
    case Phase::Converting:
        if (int n = sheet_shown_.load(); n > 0)
            sheet_count_->setText(QString::number(n));
        show_progress(progress_percent_.load());
        if (progress_full_.exchange(false))
            show_progress(100);
        if (worker_done_.load())
            conversion_done();
        break;
    case Phase::Saving:
        if (worker_done_.load())
            save_done();
        break;
    case Phase::Launching:
        if (launch_done_ && launch_done_->load()) {
            if (launcher_.joinable())
                launcher_.join();
            finish_run();
        }
        break;
    }
}

void MainWindow::start_conversion()
{
    status_->setText(u8(msg::CONVERTING));
    status_->setCursorPosition(0);
    play_->setText(u8(msg::BUTTON_STOP));
    book_ = std::make_unique<XLS_BOOK>();
    arg_.book = book_.get();
    worker_done_ = false;
    sheet_shown_ = 0;
    progress_percent_ = progress_->value();
    progress_full_ = false;
    phase_ = Phase::Converting;
    worker_ = std::thread([this] {
        ConvertHooks hooks;
        hooks.on_sheet = [this](int sheet) { sheet_shown_ = sheet; };
        hooks.on_progress = [this](int percent) { progress_percent_ = percent; };
        hooks.on_complete = [this] { progress_full_ = true; };
        hooks.abort = &abort_;
        report_ = convert_thread(arg_, lib_, play_state, hooks);
        worker_done_ = true;
    });
}

void MainWindow::conversion_done()
{
    worker_.join();
    if (report_.fatal || arg_.result != RESULT_OK) {
        for (const std::string &m : report_.messages)
            prompts_.show(QString(), QString::fromStdString(m), QMessageBox::Critical);
        if (!abort_.load())
            error_box(u8(msg::CAPTION), msg::CONVERT_FAILED);
        discard_book(lib_, book_.get());
        if (report_.fatal) {
            exit_code_ = -1;
            shut_down();
            QApplication::exit(-1);
            return;
        }
        finish_run();
        return;
    }
    status_->setText(u8(msg::SAVING));
    status_->setCursorPosition(0);
    worker_done_ = false;
    phase_ = Phase::Saving;
    worker_ = std::thread([this] {
        save_rc_ = save_thread(lib_, book_.get());
        worker_done_ = true;
    });
}

void MainWindow::save_done()
{
    worker_.join();
    if (save_rc_ != 0) {
        error_box(u8(msg::CAPTION), msg::SAVE_FAILED);
        discard_book(lib_, book_.get());
        exit_code_ = -1;
        shut_down();
        QApplication::exit(-1);
        return;
    }
    if (!prompts_.ask(u8(msg::CAPTION), u8(msg::ASK_LAUNCH))) {
        finish_run();
        return;
    }
    // The spreadsheet program runs on a thread of its own so that the window
    // keeps painting; the idle form comes back when it has ended.
    const std::u16string out = to_utf16(arg_.out_name);
    launch_done_ = std::make_shared<std::atomic<bool>>(false);
    phase_ = Phase::Launching;
    launcher_ = std::thread([launch = prompts_.launch, out, done = launch_done_] {
        launch(out);
        *done = true;
    });
}

void MainWindow::finish_run()
{
    player_.reset();
    arg_.source = nullptr;
    for (QWidget *w : std::initializer_list<QWidget *>{sound_off_, grayscale_, test_run_, max_sheets_})
        w->setEnabled(true);
    status_->setText(u8(msg::DROP_PROMPT));
    status_->setCursorPosition(0);
    play_->setText(u8(msg::BUTTON_PLAY));
    play_->setEnabled(false);
    for (QWidget *w : std::initializer_list<QWidget *>{ratio_, zoom_, speed_})
        w->setEnabled(true);
    progress_->setValue(0);
    sheet_count_->setText("0");
    repaint();
    play_state = STATE_IDLE;
    phase_ = Phase::Idle;
    pump_.stop();
}

// Stops whatever runs: the conversion is asked to end at its next row, a
// save is let finish (the file is written whole), and the player is released.
void MainWindow::shut_down()
{
    pump_.stop();
    abort_ = true;
    if (play_state.load() > STATE_IDLE)
        play_state = STATE_STOP;
    if (worker_.joinable())
        worker_.join();
    if (launcher_.joinable())
        launcher_.detach();  // the spreadsheet program outlives us
    player_.reset();
    if (phase_ == Phase::Converting && book_)
        discard_book(lib_, book_.get());
    phase_ = Phase::Idle;
    play_state = STATE_IDLE;
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QKeyCombination combo = key->keyCombination();
        if (combo == QKeyCombination(Qt::ControlModifier, Qt::Key_X) ||
            combo == QKeyCombination(Qt::ControlModifier, Qt::Key_A)) {
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    shut_down();
    event->accept();
}

} // namespace gc
