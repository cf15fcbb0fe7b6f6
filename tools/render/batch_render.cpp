#include "batch_render.h"

#include <dirent.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>

#include "ffmpeg_util.h"
#include "interrupt.h"
#include "progress_bar.h"

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsAudioName(const std::string& name) {
    static const char* const kExtensions[] = {".mp3", ".flac", ".ogg", ".oga", ".opus", ".m4a", ".aac", ".wav",
                                              ".wma", ".aif", ".aiff", ".ape", ".wv",  ".mka", ".mp2", ".mpc"};
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) return false;
    const std::string ext = Lower(name.substr(dot));
    for (const char* e : kExtensions)
        if (ext == e) return true;
    return false;
}

bool Exists(const std::string& path) {
    struct stat s;
    return stat(path.c_str(), &s) == 0;
}

struct Song {
    std::string path, video;
    double seconds = 0.0;
    int slot = -1;
    FILE* messages = nullptr;  // the process's output, shown when it ends
};

// Work is seconds of song: a long song weighs more than a short one, and a
// failed one drops out of the work.
struct BatchWork {
    int songsDone = 0, songs = 0;
    double doneSeconds = 0.0, totalSeconds = 0.0, elapsed = 0.0;
    double Left() const {
        return doneSeconds > 0.0 ? elapsed * std::max(0.0, totalSeconds - doneSeconds) / doneSeconds : -1.0;
    }
};

// "[#####---------------] 2/8 songs  3.1x real time  1:20 left"
std::string FormatBatchProgress(const BatchWork& w, double videoSeconds) {
    constexpr int kBar = 20;
    const double fraction = w.totalSeconds > 0.0 ? std::min(1.0, w.doneSeconds / w.totalSeconds) : 0.0;
    const int filled = static_cast<int>(fraction * kBar);
    std::string bar = "[" + std::string(static_cast<size_t>(filled), '#') +
                      std::string(static_cast<size_t>(kBar - filled), '-') + "]";
    char text[160];
    if (w.Left() < 0.0 || w.elapsed <= 0.0) {
        std::snprintf(text, sizeof(text), "%s %d/%d songs  --x real time  -- left", bar.c_str(), w.songsDone, w.songs);
    } else {
        std::snprintf(text, sizeof(text), "%s %d/%d songs  %.1fx real time  %s left", bar.c_str(), w.songsDone,
                      w.songs, videoSeconds / w.elapsed, FormatDuration(w.Left()).c_str());
    }
    return text;
}

// "progress songs=2/8 done=31.500 total=240.000 elapsed=10.250 left=67.778" (seconds; left -1: unknown).
std::string FormatBatchMachineProgress(const BatchWork& w) {
    char text[200];
    std::snprintf(text, sizeof(text), "progress songs=%d/%d done=%.3f total=%.3f elapsed=%.3f left=%.3f", w.songsDone,
                  w.songs, w.doneSeconds, w.totalSeconds, w.elapsed, w.Left());
    return text;
}

// From the container, without decoding; 0 when it cannot say.
double SongSeconds(const std::string& path) {
    std::string ignored;
    const ff::Input input = ff::OpenInput(path, &ignored);
    return input && input->duration > 0 ? static_cast<double>(input->duration) / AV_TIME_BASE : 0.0;
}

std::string Slurp(FILE* f) {
    std::string text;
    std::rewind(f);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof(buffer), f)) > 0;) text.append(buffer, n);
    return text;
}

}  // namespace

std::vector<std::string> SongsIn(const std::string& folder) {
    std::vector<std::string> songs;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return songs;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name[0] == '.' || !IsAudioName(name)) continue;
        const std::string path = folder + "/" + name;
        struct stat s;
        if (stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode)) songs.push_back(path);
    }
    closedir(dir);
    std::sort(songs.begin(), songs.end());
    return songs;
}

std::vector<std::string> VideoNames(const std::vector<std::string>& songs, const std::string& extension) {
    std::map<std::string, int> uses;
    std::vector<std::string> stems;
    for (const std::string& song : songs) {
        const std::string name = BaseName(song);
        stems.push_back(name.substr(0, name.find_last_of('.')));
        ++uses[stems.back()];
    }
    std::vector<std::string> names;
    for (size_t i = 0; i < songs.size(); ++i) {
        const std::string name = BaseName(songs[i]);
        names.push_back(uses[stems[i]] > 1 ? stems[i] + "-" + Lower(name.substr(name.find_last_of('.') + 1)) +
                                                 extension
                                           : stems[i] + extension);
    }
    return names;
}

int RenderBatch(const BatchOptions& o, const SongRenderer& render) {
    struct stat dirInfo;
    if (stat(o.inputDir.c_str(), &dirInfo) != 0 || !S_ISDIR(dirInfo.st_mode)) {
        std::fprintf(stderr, "velune-render: %s is not a folder\n", o.inputDir.c_str());
        return 1;
    }
    mkdir(o.videoDir.c_str(), 0777);  // an existing folder is fine
    const std::vector<std::string> paths = SongsIn(o.inputDir);
    if (paths.empty()) {
        std::fprintf(stderr, "velune-render: no songs in %s\n", o.inputDir.c_str());
        return 1;
    }
    const std::vector<std::string> names = VideoNames(paths, o.extension);
    std::vector<Song> todo;
    int skipped = 0;
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::string video = o.videoDir + "/" + names[i];
        if (Exists(video))
            ++skipped;
        else
            todo.push_back(Song{paths[i], video, SongSeconds(paths[i])});
    }
    const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const int jobs = std::max(1, std::min(o.jobs > 0 ? o.jobs : cores, static_cast<int>(todo.size())));
    // One encoder thread per song when every core has a song: no thread of
    // one encoder then waits on another, and one song's start and end (its
    // decoding, the encoder's flush) overlap the others' work.
    const int threads = std::max(1, cores / jobs);

    void* shared = mmap(nullptr, sizeof(SongProgress) * static_cast<size_t>(jobs), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        std::fprintf(stderr, "velune-render: out of memory\n");
        return 1;
    }
    SongProgress* slots = static_cast<SongProgress*>(shared);
    for (int i = 0; i < jobs; ++i) new (&slots[i]) SongProgress;
    std::vector<bool> slotFree(static_cast<size_t>(jobs), true);

    const ProgressStyle style = ChooseProgressStyle(o.quiet, o.progressLines);
    const bool terminal = style == ProgressStyle::kBar;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    std::map<pid_t, size_t> running;
    std::vector<std::string> failed, damaged;
    double failedSeconds = 0.0, finishedSeconds = 0.0;
    int rendered = 0;
    int64_t frames = 0, bytes = 0;
    size_t next = 0;
    bool forwarded = false;
    auto lastDraw = start;
    bool songEnded = false;
    auto say = [&](FILE* to, const std::string& text) {
        if (terminal) std::fprintf(stderr, "\r\033[K");
        std::fprintf(to, "%s", text.c_str());
        std::fflush(to);
    };

    while (next < todo.size() || !running.empty()) {
        while (!Interrupted() && next < todo.size() && static_cast<int>(running.size()) < jobs) {
            Song& song = todo[next];
            song.slot = static_cast<int>(std::find(slotFree.begin(), slotFree.end(), true) - slotFree.begin());
            slotFree[static_cast<size_t>(song.slot)] = false;
            SongProgress* progress = &slots[song.slot];
            progress->done = 0;
            progress->total = 0;
            progress->bytes = 0;
            song.messages = std::tmpfile();
            std::fflush(nullptr);
            const pid_t pid = fork();
            if (pid == 0) {
                CatchInterrupts(false);  // the terminal's Ctrl+C and ours both arrive
                if (song.messages != nullptr) {
                    dup2(fileno(song.messages), STDOUT_FILENO);
                    dup2(fileno(song.messages), STDERR_FILENO);
                }
                std::exit(render(song.path, song.video, threads, progress));
            }
            if (pid < 0) {
                failed.push_back(BaseName(song.path));
                say(stderr, "velune-render: cannot start a process for " + song.path + "\n");
                slotFree[static_cast<size_t>(song.slot)] = true;
            } else {
                running[pid] = next;
            }
            ++next;
        }
        if (Interrupted() && !forwarded) {
            // A signal sent to us alone (not the terminal's) must reach the songs too.
            for (const auto& r : running) kill(r.first, SIGINT);
            forwarded = true;
            next = todo.size();
        }

        int status = 0;
        const pid_t pid = waitpid(-1, &status, WNOHANG);
        if (pid > 0 && running.count(pid) != 0) {
            Song& song = todo[running[pid]];
            running.erase(pid);
            const SongProgress& progress = slots[song.slot];
            slotFree[static_cast<size_t>(song.slot)] = true;
            std::string messages = song.messages != nullptr ? Slurp(song.messages) : "";
            if (song.messages != nullptr) std::fclose(song.messages);
            const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            const bool stopped = WIFEXITED(status) && WEXITSTATUS(status) == 130;
            if (!WIFEXITED(status)) {
                // Killed before it could clean up after itself.
                std::remove((song.video + ".part").c_str());
                messages += "velune-render: " + song.path + ": the render died (signal " +
                            std::to_string(WTERMSIG(status)) + ")\n";
            }
            songEnded = true;
            if (ok) {
                ++rendered;
                finishedSeconds += song.seconds;
                frames += progress.done;
                bytes += progress.bytes;
                if (progress.decodeErrors > 0)
                    damaged.push_back(BaseName(song.path) + ": " + std::to_string(progress.decodeErrors));
                if (!o.quiet) say(stdout, messages);
            } else if (!stopped) {
                failed.push_back(BaseName(song.path));
                failedSeconds += song.seconds;
                say(stderr, messages);
            }
        } else if (pid <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }

        const auto now = std::chrono::steady_clock::now();
        const auto every = style == ProgressStyle::kBar     ? std::chrono::milliseconds(100)
                           : style == ProgressStyle::kLines ? std::chrono::milliseconds(5000)
                                                            : std::chrono::milliseconds(1000);
        const bool machineNow = style == ProgressStyle::kMachine && songEnded;
        if (style != ProgressStyle::kNone && (now - lastDraw >= every || machineNow)) {
            lastDraw = now;
            songEnded = false;
            BatchWork work;
            work.songsDone = rendered + static_cast<int>(failed.size());
            work.songs = static_cast<int>(todo.size());
            work.elapsed = elapsed();
            work.doneSeconds = finishedSeconds;
            for (const Song& song : todo) work.totalSeconds += song.seconds;
            work.totalSeconds -= failedSeconds;
            int64_t shown = frames;
            for (const auto& r : running) {
                const Song& song = todo[r.second];
                const SongProgress& p = slots[song.slot];
                if (p.total > 0)
                    work.doneSeconds += song.seconds * std::min(1.0, static_cast<double>(p.done) / static_cast<double>(p.total));
                shown += p.done;
            }
            if (style == ProgressStyle::kMachine) {
                std::printf("%s\n", FormatBatchMachineProgress(work).c_str());
                std::fflush(stdout);
            } else {
                const std::string line = FormatBatchProgress(work, static_cast<double>(shown) / o.fps);
                std::fprintf(stderr, terminal ? "\r%s\033[K" : "velune-render: %s\n", line.c_str());
                std::fflush(stderr);
            }
        }
    }
    if (terminal) std::fprintf(stderr, "\r\033[K");
    munmap(shared, sizeof(SongProgress) * static_cast<size_t>(jobs));

    std::string summary = std::to_string(rendered) + " rendered";
    if (skipped > 0) summary += ", " + std::to_string(skipped) + " skipped (video already there)";
    if (!failed.empty()) {
        summary += ", " + std::to_string(failed.size()) + " failed (";
        for (size_t i = 0; i < failed.size(); ++i) summary += (i > 0 ? ", " : "") + failed[i];
        summary += ")";
    }
    if (!damaged.empty()) {
        summary += ", " + std::to_string(damaged.size()) + " with decode errors (";
        for (size_t i = 0; i < damaged.size(); ++i) summary += (i > 0 ? ", " : "") + damaged[i];
        summary += ")";
    }
    if (Interrupted()) summary += ", interrupted";
    if (rendered > 0) summary += ": " + FormatSummary(frames, o.fps, elapsed(), bytes);
    const bool trouble = Interrupted() || !failed.empty() || !damaged.empty();
    if (trouble || !o.quiet) std::fprintf(trouble ? stderr : stdout, "velune-render: %s\n", summary.c_str());
    if (Interrupted()) return 130;
    return failed.empty() && damaged.empty() ? 0 : 1;
}
