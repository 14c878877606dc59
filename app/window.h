// The main window: controls, menu, drop handler, and the play button's run
// (playing, converting, saving, the completion question, the launch).
#pragma once
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "convert.h"
#include "library.h"
#include "play_arg.h"
#include "player.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace gc {

// The window's dialogs, replaceable in tests.
struct Prompts {
    std::function<void(const QString &caption, const QString &text, QMessageBox::Icon icon)> show;
    std::function<bool(const QString &caption, const QString &text)> ask;
    std::function<int(const std::u16string &path)> launch;
};
Prompts default_prompts();

// The message box as the program shows it: no owner, on top; a box given no
// caption gets the platform's default one, "エラー".
std::unique_ptr<QMessageBox> message_box(const QString &caption, const QString &text, QMessageBox::Icon icon,
                                         QMessageBox::StandardButtons buttons);

class MainWindow : public QMainWindow {
public:
    MainWindow(Library &lib, Prompts prompts);
    ~MainWindow() override;

    // The drop handler, for the first of `paths`.
    void drop_files(const QStringList &paths);
    // The play button.
    void press_play();
    bool running() const { return phase_ != Phase::Idle; }
    const PLAY_ARG &play_arg() const { return arg_; }
    int exit_code() const { return exit_code_; }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Phase { Idle, Playing, Converting, Saving, Launching };

    void build_menu();
    void build_controls(QWidget *client);
    void tick();
    void start_conversion();
    void conversion_done();
    void save_done();
    void finish_run();
    void shut_down();
    void refuse_child_drops();
    void show_progress(int percent);
    void error_box(const QString &caption, const char *text);

    Library &lib_;
    Prompts prompts_;
    QCheckBox *sound_off_ = nullptr;
    QCheckBox *grayscale_ = nullptr;
    QCheckBox *test_run_ = nullptr;
    QLineEdit *sheet_count_ = nullptr;
    QLineEdit *max_sheets_ = nullptr;
    QLineEdit *status_ = nullptr;
    QComboBox *ratio_ = nullptr;
    QComboBox *zoom_ = nullptr;
    QComboBox *speed_ = nullptr;
    QProgressBar *progress_ = nullptr;
    QPushButton *play_ = nullptr;
    QWidget *client_ = nullptr;

    PLAY_ARG arg_;
    std::unique_ptr<XLS_BOOK> book_;
    std::unique_ptr<Player> player_;
    Phase phase_ = Phase::Idle;
    QTimer pump_;
    int exit_code_ = 0;

    // Shared with the worker threads.
    std::thread worker_;
    std::atomic<bool> worker_done_{false};
    std::atomic<bool> abort_{false};
    std::atomic<int> sheet_shown_{0};
    std::atomic<int> progress_percent_{0};
    std::atomic<bool> progress_full_{false};
    ConvertReport report_;
    int save_rc_ = 0;
    std::thread launcher_;
    std::shared_ptr<std::atomic<bool>> launch_done_;
};

} // namespace gc
