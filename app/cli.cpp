// The headless conversion: the same conversion thread as the window, fed by
// frames sampled at fixed steps of media time instead of a playing video.
#include "cli.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <ostream>
#include <sstream>

extern "C" {
#include <libavutil/error.h>
}

#include "convert.h"
#include "media.h"
#include "messages.h"

namespace gc {
namespace {

struct CliOptions {
    std::string input;
    int max_sheets = 1000;
    int ratio = 4;
    int zoom = 20;
    double speed = 1.0;
    bool gray = false;
    bool mute = false;
    bool test_run = false;
    double step_ms = 0;  // 0: 100 ms times the speed
    std::string output;
};

bool parse_int(const std::string &s, int &v)
{
    char *end = nullptr;
    errno = 0;
    long n = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end || errno || n < -1000000000 || n > 1000000000)
        return false;
    v = int(n);
    return true;
}

bool parse_double(const std::string &s, double &v)
{
    char *end = nullptr;
    errno = 0;
    double d = std::strtod(s.c_str(), &end);
    if (s.empty() || *end || errno || !std::isfinite(d))
        return false;
    v = d;
    return true;
}

bool ends_with(const std::string &s, const char *tail)
{
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// Returns an empty string on success, else what is wrong.
std::string parse(const std::vector<std::string> &args, CliOptions &o)
{
    if (args.empty() || args[0] != "convert")
        return "expected the command 'convert' or one file to open";
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string &a = args[i];
        auto value = [&](std::string &v) {
            if (i + 1 >= args.size())
                return false;
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--gray" || a == "--grey") {
            o.gray = true;
        } else if (a == "--mute") {
            o.mute = true;
        } else if (a == "--test-run") {
            o.test_run = true;
        } else if (a == "--max-sheets") {
            if (!value(v) || !parse_int(v, o.max_sheets))
                return "--max-sheets needs a number";
            if (o.max_sheets < 1 || o.max_sheets > 1000)
                return msg::RANGE;
        } else if (a == "--ratio") {
            if (!value(v) || !parse_int(v, o.ratio) ||
                (o.ratio != 1 && o.ratio != 2 && o.ratio != 4 && o.ratio != 8))
                return "--ratio must be 1, 2, 4 or 8";
        } else if (a == "--zoom") {
            if (!value(v) || !parse_int(v, o.zoom) || o.zoom < 10 || o.zoom > 400)
                return "--zoom must be a percentage from 10 to 400";
        } else if (a == "--speed") {
            if (!value(v) || !parse_double(v, o.speed) || o.speed < 0.5 || o.speed > 1.5)
                return "--speed must be from 0.5 to 1.5";
        } else if (a == "--step-ms") {
            if (!value(v) || !parse_double(v, o.step_ms) || o.step_ms < 1 || o.step_ms > 3600000)
                return "--step-ms must be from 1 to 3600000";
        } else if (a == "--output" || a == "-o") {
            if (!value(o.output) || o.output.empty())
                return "--output needs a path";
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option " + a;
        } else if (o.input.empty()) {
            o.input = a;
        } else {
            return "only one input file can be converted";
        }
    }
    if (o.input.empty())
        return "no input file";
    return {};
}

std::string human_size(long long bytes)
{
    std::ostringstream s;
    s << std::fixed << std::setprecision(1);
    if (bytes >= (1 << 20))
        s << double(bytes) / (1 << 20) << " MB";
    else if (bytes >= 1024)
        s << double(bytes) / 1024 << " KB";
    else
        s << bytes << " bytes";
    return s.str();
}

// A one-line bar on a terminal, redrawn in place.
class ProgressBar {
public:
    explicit ProgressBar(int total) : total_(total), on_(isatty(STDERR_FILENO) == 1) {}
    void draw(int sheet, int percent)
    {
        if (!on_)
            return;
        constexpr int WIDTH = 30;
        int filled = percent * WIDTH / 100;
        std::fprintf(stderr, "\r[%.*s%*s] %3d%%  sheet %d/%d", filled, "##############################",
                     WIDTH - filled, "", percent, sheet, total_);
        std::fflush(stderr);
        drawn_ = true;
    }
    void finish()
    {
        if (drawn_)
            std::fputc('\n', stderr);
        drawn_ = false;
    }

private:
    int total_;
    bool on_;
    bool drawn_ = false;
};

} // namespace

bool opens_file(const std::vector<std::string> &args)
{
    return args.size() == 1 && args[0] != "convert" && !args[0].empty() && args[0][0] != '-';
}

std::string cli_usage()
{
    return "usage: gridcinema                 open the window\n"
           "       gridcinema FILE            open the window with FILE dropped on it\n"
           "       gridcinema convert INPUT [--max-sheets N] [--ratio 1|2|4|8] [--zoom Z]\n"
           "                  [--speed S] [--gray] [--mute] [--test-run] [--step-ms MS]\n"
           "                  [--output PATH]\n"
           "Converts a video or picture into a workbook: one sheet per sampled frame,\n"
           "one filled cell per sampled pixel. Frames are taken every MS of media time\n"
           "(default 100 ms times the speed factor S).\n";
}

int cli_main(const std::vector<std::string> &args, Library &lib, std::ostream &out, std::ostream &err)
{
    CliOptions o;
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << cli_usage();
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        out << "gridcinema " << VXLS_VERSION_TEXT << "\n";
        return 0;
    }
    std::string problem = parse(args, o);
    if (!problem.empty()) {
        err << "gridcinema: " << problem << "\n" << cli_usage();
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();

    struct stat st {};
    if (::stat(o.input.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        err << "gridcinema: cannot read " << o.input << ": "
            << (errno ? std::strerror(errno) : "not a regular file") << "\n";
        return 1;
    }
    PLAY_ARG arg;
    if (!set_play_path(arg, to_utf16(o.input))) {
        err << "gridcinema: the input path is too long (at most 255 UTF-16 units)\n";
        return 1;
    }

    MediaKind kind = classify_media(lib, o.input);
    if (kind.result != 0) {
        err << msg::UNSUPPORTED << "\n";
        return 1;
    }
    auto decoder = std::make_unique<MediaDecoder>();
    std::string why;
    int rc = decoder->open(o.input, why);
    if (rc < 0) {
        err << render_failed_text(rc) << "gridcinema: " << why << "\n";
        return 1;
    }
    const int width = decoder->width();
    const int height = decoder->height();
    const double step_ms = o.step_ms > 0 ? o.step_ms : 100.0 * o.speed;
    SampledSource source(std::move(decoder), std::llround(step_ms * 10000.0));
    if (!source.prime()) {
        err << render_failed_text(AVERROR_EOF) << "gridcinema: no frame could be decoded\n";
        return 1;
    }

    const bool is_video = kind.is_video == -1;
    if (!o.output.empty() && !ends_with(o.output, is_video ? ".xlsm" : ".xlsx")) {
        err << "gridcinema: --output must end in " << (is_video ? ".xlsm" : ".xlsx") << " for this input\n";
        return 2;
    }
    if (!o.output.empty() && o.output == o.input) {
        err << "gridcinema: --output names the input file\n";
        return 2;
    }

    auto book = std::make_unique<XLS_BOOK>();
    arg.color_mode = o.gray ? COLOR_MODE_GRAY : COLOR_MODE_COLOR;
    arg.speed = o.speed;
    arg.ratio = o.ratio;
    arg.zoom = o.zoom;
    arg.interval_ms = 50;
    arg.max_sheets = o.test_run ? 30 : o.max_sheets;
    arg.sound_off = o.mute ? -1 : 0;
    arg.is_video = kind.is_video;
    arg.media_kind = kind.kind;
    arg.source = &source;
    arg.video_width = width;
    arg.video_height = height;
    arg.duration = source.duration();
    arg.book = book.get();

    std::atomic<int32_t> state{STATE_CONVERTING};
    ProgressBar bar(arg.max_sheets);
    ConvertHooks hooks;
    hooks.output = o.output;
    int sheet_now = 0;
    hooks.on_sheet = [&](int sheet) {
        sheet_now = sheet;
        // The run ends at the end of the media or at the last sheet, whichever comes first.
        bar.draw(sheet, std::max(progress_percent(source), (sheet - 1) * 100 / arg.max_sheets));
    };
    hooks.on_complete = [&] { bar.draw(sheet_now, 100); };
    ConvertReport rep = convert_thread(arg, lib, state, hooks);
    bar.finish();
    if (arg.result != 0) {
        for (const std::string &m : rep.messages)
            err << m << "\n";
        err << msg::CONVERT_FAILED << "\n";
        if (!rep.detail.empty())
            err << "gridcinema: " << rep.detail << "\n";
        discard_book(lib, book.get());
        return 1;
    }
    if (save_thread(lib, book.get()) != 0) {
        err << msg::SAVE_FAILED << "\n";
        if (book->error_info[0])
            err << "gridcinema: " << book->error_info << "\n";
        discard_book(lib, book.get());
        return 1;
    }

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    struct stat os {};
    long long size = ::stat(arg.out_name, &os) == 0 ? static_cast<long long>(os.st_size) : -1;
    out << "gridcinema: wrote " << arg.out_name << "\n"
        << "  input:    " << width << "x" << height << (is_video ? " video" : " picture") << ", ratio 1/"
        << o.ratio << (o.gray ? ", grayscale" : ", colour") << "\n"
        << "  sheets:   " << rep.sheets << (rep.overflow ? " (stopped: the book is full)" : "") << "\n"
        << "  cells:    " << rep.cells << "\n"
        << "  colours:  " << rep.distinct_colours << " distinct\n"
        << "  size:     " << (size >= 0 ? human_size(size) : std::string("unknown")) << "\n"
        << "  time:     " << std::fixed << std::setprecision(2) << seconds << " s\n";
    return 0;
}

} // namespace gc
