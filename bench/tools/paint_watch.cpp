// Starts a program on the current X display and measures, from the outside, how long it takes until
// a set of rectangles on the screen all show a colour; then how much memory the process uses once it
// has settled. The start-up benchmark (startup_bench.sh) runs it with the note rectangles of a member.
//
//   paint_watch <rects file> <rrggbb> <settle ms> <timeout s> <log file> <program> [arguments...]
//
// <rects file> holds one rectangle a line, "x y width height" in screen pixels. A rectangle counts as
// painted once a horizontal line across it, at three quarters of its height and 4 pixels in from its
// sides, has at least 90 % of its pixels in the colour (each channel within 8). A window of a Qt
// program on X11 has no background of its own: its rectangle shows the colour only once the program
// has drawn the window and sent the picture to the server.
//
// The clock starts just before the program is forked (its output goes to <log file>). A look reads
// from the root window each screen line that crosses a rectangle not seen painted yet (one GetImage
// request per line, all sent before the first reply is awaited); after each look the watcher pauses
// 2 ms. When all rectangles have been seen painted, the program is left alone for <settle ms>; then its
// proportional set size is read from /proc/<pid>/smaps_rollup and it is ended with SIGTERM.
//
// Prints one line:
//   painted_ms=<ms> step_ms=<ms> first_ms=<ms> looks=<n> looking_ms=<ms> watch_cpu_ms=<ms>
//   pss_kib=<KiB> pss_anon_kib=<KiB> pss_shmem_kib=<KiB> pss_file_kib=<KiB> rss_kib=<KiB> exit=<code>
// painted_ms is the end of the look that saw the last rectangle painted; step_ms the time since the
// start of the look before it: the painting happened within step_ms before painted_ms. first_ms is the
// same for the first rectangle seen painted; looking_ms the time spent in looks until all were seen,
// watch_cpu_ms the CPU time the watcher used meanwhile. The memory figures are the lines Pss,
// Pss_Anon (heap, stacks, written data), Pss_Shmem (shared memory, e.g. window pictures shared with
// the X server), Pss_File (mapped files: libraries, fonts) and Rss. exit is the program's exit code
// after SIGTERM.
// Exit code 0 when all rectangles were painted and the program ran until it was told to end; 1 when
// it ended on its own, did not paint them within <timeout s>, or its memory could not be read; 2 on
// wrong arguments or no usable display.
#include <xcb/xcb.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool painted = false;
};

// One screen line to read and the segments of rectangles on it.
struct Segment {
    int rect = 0;
    int x0 = 0, x1 = 0;   // [x0, x1)
};
struct Line {
    int y = 0;
    std::vector<Segment> segments;
};

double nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

void sleepMs(double ms) {
    if (ms <= 0) return;
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ms / 1000);
    ts.tv_nsec = static_cast<long>((ms - static_cast<double>(ts.tv_sec) * 1000) * 1e6);
    nanosleep(&ts, nullptr);
}

// CPU time of this process so far (user and system).
double cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

int shiftOf(uint32_t mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

// The root window of the default screen, read in whole lines of 32-bit true-colour pixels.
class RootReader {
public:
    bool open() {
        int screenNumber = 0;
        c_ = xcb_connect(nullptr, &screenNumber);
        if (!c_ || xcb_connection_has_error(c_)) return false;
        const xcb_setup_t* setup = xcb_get_setup(c_);
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
        for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
        if (!it.rem) return false;
        const xcb_screen_t* s = it.data;
        root_ = s->root;
        width_ = s->width_in_pixels;
        height_ = s->height_in_pixels;
        for (xcb_format_iterator_t f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
            if (f.data->depth == s->root_depth && f.data->bits_per_pixel != 32) return false;
        for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(s); d.rem; xcb_depth_next(&d)) {
            for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
                if (v.data->visual_id != s->root_visual) continue;
                if (v.data->_class != XCB_VISUAL_CLASS_TRUE_COLOR) return false;
                rMask_ = v.data->red_mask, gMask_ = v.data->green_mask, bMask_ = v.data->blue_mask;
            }
        }
        rShift_ = shiftOf(rMask_), gShift_ = shiftOf(gMask_), bShift_ = shiftOf(bMask_);
        return rMask_ && gMask_ && bMask_;
    }
    ~RootReader() {
        if (c_) xcb_disconnect(c_);
    }
    int width() const { return width_; }
    int height() const { return height_; }
    int fd() const { return xcb_get_file_descriptor(c_); }

    struct Span {
        int y, x0, x1;
    };
    // Reads the spans as 0xRRGGBB values, one vector each (empty where the read failed).
    std::vector<std::vector<uint32_t>> read(const std::vector<Span>& spans) {
        std::vector<xcb_get_image_cookie_t> cookies;
        cookies.reserve(spans.size());
        for (const Span& s : spans)
            cookies.push_back(xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, static_cast<int16_t>(s.x0),
                                            static_cast<int16_t>(s.y), static_cast<uint16_t>(s.x1 - s.x0), 1,
                                            ~0u));
        std::vector<std::vector<uint32_t>> out(spans.size());
        for (size_t i = 0; i < spans.size(); ++i) {
            xcb_get_image_reply_t* r = xcb_get_image_reply(c_, cookies[i], nullptr);
            if (!r) continue;
            const size_t n = static_cast<size_t>(spans[i].x1 - spans[i].x0);
            if (static_cast<size_t>(xcb_get_image_data_length(r)) >= n * 4) {
                const uint8_t* data = xcb_get_image_data(r);
                std::vector<uint32_t>& px = out[i];
                px.resize(n);
                for (size_t x = 0; x < n; ++x) {
                    uint32_t p;
                    std::memcpy(&p, data + x * 4, 4);
                    px[x] = ((p & rMask_) >> rShift_ & 0xff) << 16 | ((p & gMask_) >> gShift_ & 0xff) << 8 |
                            ((p & bMask_) >> bShift_ & 0xff);
                }
            }
            std::free(r);
        }
        return out;
    }

private:
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
    uint32_t rMask_ = 0, gMask_ = 0, bMask_ = 0;
    int rShift_ = 0, gShift_ = 0, bShift_ = 0;
    int width_ = 0, height_ = 0;
};

bool near(uint32_t a, uint32_t b) {
    for (int s = 0; s <= 16; s += 8) {
        const int ca = static_cast<int>((a >> s) & 0xff), cb = static_cast<int>((b >> s) & 0xff);
        if (std::abs(ca - cb) > 8) return false;
    }
    return true;
}

// The memory figures of a process in KiB, from /proc/<pid>/smaps_rollup (-1 when unreadable).
struct Memory {
    long rss = -1, pss = -1, pssAnon = -1, pssFile = -1, pssShmem = -1;
};

Memory memoryOf(pid_t pid) {
    Memory m;
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string text;
    while (std::getline(in, text)) {
        long value = 0;
        if (std::sscanf(text.c_str(), "Rss: %ld kB", &value) == 1) m.rss = value;
        if (std::sscanf(text.c_str(), "Pss: %ld kB", &value) == 1) m.pss = value;
        if (std::sscanf(text.c_str(), "Pss_Anon: %ld kB", &value) == 1) m.pssAnon = value;
        if (std::sscanf(text.c_str(), "Pss_File: %ld kB", &value) == 1) m.pssFile = value;
        if (std::sscanf(text.c_str(), "Pss_Shmem: %ld kB", &value) == 1) m.pssShmem = value;
    }
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr,
                     "usage: paint_watch <rects file> <rrggbb> <settle ms> <timeout s> <log file> <program> "
                     "[arguments...]\n");
        return 2;
    }
    const uint32_t colour = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 16)) & 0xffffff;
    const double settleMs = std::atof(argv[3]);
    const double timeoutMs = std::atof(argv[4]) * 1000.0;
    const char* logFile = argv[5];

    std::vector<Rect> rects;
    {
        std::ifstream in(argv[1]);
        Rect r;
        while (in >> r.x >> r.y >> r.w >> r.h) rects.push_back(r);
    }
    if (rects.empty()) {
        std::fprintf(stderr, "paint_watch: no rectangles in %s\n", argv[1]);
        return 2;
    }

    RootReader screen;
    if (!screen.open()) {
        std::fprintf(stderr, "paint_watch: no display with a 32-bit true-colour root window\n");
        return 2;
    }

    // The lines to read: one across each rectangle, clipped to the screen.
    std::map<int, Line> lines;
    for (size_t i = 0; i < rects.size(); ++i) {
        const Rect& r = rects[i];
        const int x0 = std::max(0, r.x + 4), x1 = std::min(screen.width(), r.x + r.w - 4);
        if (x1 - x0 < 8) {
            std::fprintf(stderr, "paint_watch: rectangle %zu is too small or off the screen\n", i + 1);
            return 2;
        }
        const int y = r.y + r.h * 3 / 4;
        if (y < 0 || y >= screen.height()) {
            std::fprintf(stderr, "paint_watch: rectangle %zu is off the screen\n", i + 1);
            return 2;
        }
        Line& l = lines[y];
        l.y = y;
        l.segments.push_back({static_cast<int>(i), x0, x1});
    }

    // One look: reads the lines that cross rectangles not seen painted yet; marks the ones now painted.
    // Returns how many rectangles are painted in all.
    auto look = [&]() {
        std::vector<RootReader::Span> spans;
        std::vector<const Line*> spanLines;
        for (const auto& [y, l] : lines) {
            int from = screen.width(), to = 0;
            for (const Segment& s : l.segments) {
                if (rects[static_cast<size_t>(s.rect)].painted) continue;
                from = std::min(from, s.x0);
                to = std::max(to, s.x1);
            }
            if (from >= to) continue;
            spans.push_back({y, from, to});
            spanLines.push_back(&l);
        }
        const std::vector<std::vector<uint32_t>> px = screen.read(spans);
        for (size_t k = 0; k < spans.size(); ++k) {
            if (px[k].empty()) continue;
            for (const Segment& s : spanLines[k]->segments) {
                if (rects[static_cast<size_t>(s.rect)].painted) continue;
                int match = 0;
                for (int x = s.x0; x < s.x1; ++x)
                    if (near(px[k][static_cast<size_t>(x - spans[k].x0)], colour)) ++match;
                if (match * 10 >= (s.x1 - s.x0) * 9) rects[static_cast<size_t>(s.rect)].painted = true;
            }
        }
        return static_cast<int>(std::count_if(rects.begin(), rects.end(), [](const Rect& r) { return r.painted; }));
    };

    if (look() != 0) {
        std::fprintf(stderr, "paint_watch: the screen shows the colour before the program runs\n");
        return 2;
    }

    const double t0 = nowMs();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("paint_watch: fork");
        return 2;
    }
    if (pid == 0) {
        const int fd = open(logFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        close(screen.fd());
        execv(argv[6], argv + 6);
        std::perror("paint_watch: exec");
        _exit(127);
    }

    int status = 0;
    auto endedOnItsOwn = [&] { return waitpid(pid, &status, WNOHANG) == pid; };

    const double cpu0 = cpuMs();
    double prevStart = t0, paintedAt = -1, step = 0, firstAt = -1, looking = 0, watchCpu = 0;
    int looks = 0;
    for (;;) {
        const double start = nowMs();
        const int painted = look();
        const double end = nowMs();
        ++looks;
        looking += end - start;
        if (painted > 0 && firstAt < 0) firstAt = end - t0;
        if (painted == static_cast<int>(rects.size())) {
            paintedAt = end - t0;
            step = end - prevStart;
            watchCpu = cpuMs() - cpu0;
            break;
        }
        prevStart = start;
        if (endedOnItsOwn()) {
            std::fprintf(stderr, "paint_watch: the program ended before all rectangles were painted\n");
            return 1;
        }
        if (end - t0 > timeoutMs) {
            std::fprintf(stderr, "paint_watch: %d of %zu rectangles painted after the time-out (%d looks, %.1f ms)\n",
                         painted, rects.size(), looks, looking);
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return 1;
        }
        sleepMs(2);
    }

    // Settle, then the memory.
    const double settleEnd = nowMs() + settleMs;
    while (nowMs() < settleEnd) {
        if (endedOnItsOwn()) {
            std::fprintf(stderr, "paint_watch: the program ended while settling\n");
            return 1;
        }
        sleepMs(std::min(50.0, settleEnd - nowMs()));
    }
    const Memory mem = memoryOf(pid);

    kill(pid, SIGTERM);
    bool ended = false;
    for (int i = 0; i < 400 && !ended; ++i) {
        ended = waitpid(pid, &status, WNOHANG) == pid;
        if (!ended) sleepMs(50);
    }
    if (!ended) {
        std::fprintf(stderr, "paint_watch: the program did not end on SIGTERM\n");
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    std::printf("painted_ms=%.1f step_ms=%.2f first_ms=%.1f looks=%d looking_ms=%.1f watch_cpu_ms=%.1f pss_kib=%ld "
                "pss_anon_kib=%ld pss_shmem_kib=%ld pss_file_kib=%ld rss_kib=%ld exit=%d\n",
                paintedAt, step, firstAt, looks, looking, watchCpu, mem.pss, mem.pssAnon, mem.pssShmem, mem.pssFile,
                mem.rss, code);
    return mem.pss > 0 && ended ? 0 : 1;
}
