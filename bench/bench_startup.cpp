// Start-up of the real program on a generated bank: from the exec of
// Quorvel.exe until its main window has painted its first frame, and the
// peak memory of that process. Each size gets a program folder of its own (a
// copy of the executable and the bank beside it as Quorvel.mdb, found as the
// program finds it); the sizes take turns run by run, so that a change of
// load on the machine falls on all of them alike. Prints the median and the
// spread [min..max] of the runs and the ratio to the empty bank (one group,
// no questions; the exams are there but empty).
//
// The program honours QUORVEL_STARTUP_PROBE for this: it writes its window
// title once the first paint pass of the main window has ended, and quits.
//
// QUORVEL_STARTUP_EXE names another build of the program to start, e.g. one
// from before a change (it must honour the same variable).
//
// Usage: bench_startup [data folder] [runs] [sizes...]
//   e.g. TMPDIR=/dev/shm QT_QPA_PLATFORM=offscreen bench_startup /dev/shm/data 9 0 10000 100000 1000000
#include "bench/generate.h"
#include "bench/stats.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

using bench::Stats;
using bench::stats;

struct Run {
    double ms = -1;     // exec to the end of the first paint; -1 when it never painted
    long peakKb = 0;    // the child's peak resident memory
    std::string title;  // the window title it painted with
};

// Starts the program in folder and waits for its line; gives up after a minute.
Run startOnce(const QString& folder) {
    const QByteArray exe = QFile::encodeName(folder + QStringLiteral("Quorvel.exe"));
    int fds[2];
    if (pipe(fds) != 0) return {};
    QElapsedTimer t;
    t.start();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        // The platform's notes would come once per start; a failure shows as no line.
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) dup2(quiet, STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        setenv("QUORVEL_STARTUP_PROBE", "1", 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        execl(exe.constData(), exe.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    Run run;
    std::string line;
    pollfd p{fds[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 60000) > 0) {
        char buf[512];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        line.append(buf, size_t(n));
    }
    if (line.find('\n') != std::string::npos) {
        run.ms = double(t.nsecsElapsed()) / 1e6;
        run.title = line.substr(0, line.find('\n'));
    } else {
        kill(pid, SIGKILL);
    }
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.peakKb = usage.ru_maxrss;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString data = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("bench-data");
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 9;
    std::vector<int> sizes;
    for (int i = 3; i < argc; ++i) sizes.push_back(std::max(0, atoi(argv[i])));
    if (sizes.empty()) sizes = {0, 10000, 100000};
    if (std::find(sizes.begin(), sizes.end(), 0) == sizes.end()) sizes.insert(sizes.begin(), 0);

    const QString exe = qEnvironmentVariableIsSet("QUORVEL_STARTUP_EXE") ? qEnvironmentVariable("QUORVEL_STARTUP_EXE")
                                                                         : QStringLiteral(QUORVEL_EXE);
    std::printf("program %s\n", qPrintable(exe));
    // A program folder per size under the temporary folder.
    const QString root = QDir::tempPath() + QStringLiteral("/quorvel-startup-%1/").arg(getpid());
    std::map<int, QString> folders;
    for (int size : sizes) {
        const QString bank = bench::cachedBank(data, {1, size, 5, 200});
        const QString folder = root + QString::number(size) + u'/';
        QDir().mkpath(folder);
        if (!QFile::copy(exe, folder + QStringLiteral("Quorvel.exe")) ||
            !QFile::copy(bank, folder + QStringLiteral("Quorvel.mdb"))) {
            std::fprintf(stderr, "cannot set up %s\n", qPrintable(folder));
            return 1;
        }
        QFile::setPermissions(folder + QStringLiteral("Quorvel.exe"), QFile::permissions(exe) | QFile::ExeOwner);
        folders[size] = folder;
        std::printf("bank of %d questions: %.0f MB\n", size, double(QFile(bank).size()) / 1048576.0);
    }

    // One start per size before timing: the executable and libraries come into the page cache.
    for (int size : sizes) startOnce(folders[size]);
    std::map<int, std::vector<double>> times, peaks;
    std::map<int, std::string> titles;
    for (int r = 0; r < runs; ++r)
        for (int size : sizes) {
            const Run run = startOnce(folders[size]);
            if (run.ms < 0) {
                std::fprintf(stderr, "bank of %d: the program did not paint its window\n", size);
                return 1;
            }
            times[size].push_back(run.ms);
            peaks[size].push_back(double(run.peakKb) / 1024);
            titles[size] = run.title;
        }

    std::printf("start-up to the first painted main window, %d runs each; median [min..max]\n", runs);
    const double empty = stats(times[0]).median, emptyPeak = stats(peaks[0]).median;
    for (int size : sizes) {
        const Stats t = stats(times[size]), m = stats(peaks[size]);
        std::printf("%8d questions  %8.1f ms [%.1f..%.1f]  ratio %5.2f   peak %7.1f MB [%.1f..%.1f]  ratio %5.2f   %s\n", size,
                    t.median, t.lo, t.hi, t.median / empty, m.median, m.lo, m.hi, m.median / emptyPeak, titles[size].c_str());
    }
    QDir(root).removeRecursively();
    return 0;
}
