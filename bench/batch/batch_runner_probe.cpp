// Runs a batch through the runner, as the shell command will, and reports the time this process
// spent against the time its encoders spent. Usage:
//   batch_runner_probe JOBS ENCODER OUTPUT_FOLDER [SWITCH...] -- INPUT...
// Each input's output is OUTPUT_FOLDER/<input name without extension>.mp3.
#include "batch/BatchRunner.h"
#include "batch/TerminationWatcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <sys/resource.h>

using namespace fenwave;

namespace {

double seconds(const timeval &time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

double cpuSeconds(int who)
{
    rusage usage = {};
    getrusage(who, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const qsizetype separator = arguments.indexOf(QStringLiteral("--"));
    if (arguments.size() < 4 || separator < 3) {
        std::fprintf(stderr, "usage: batch_runner_probe JOBS ENCODER OUTPUT_FOLDER [SWITCH...] -- INPUT...\n");
        return 2;
    }
    const QStringList switches = arguments.mid(3, separator - 3);
    const QDir outputFolder(arguments.at(2));
    QVector<BatchJob> jobs;
    for (const QString &input : arguments.mid(separator + 1)) {
        BatchJob job;
        job.input = input;
        job.output = outputFolder.filePath(QFileInfo(input).completeBaseName() + QStringLiteral(".mp3"));
        job.arguments = switches + QStringList{job.input, job.output};
        jobs.append(job);
    }

    QElapsedTimer wall;
    wall.start();
    BatchRunner runner(arguments.at(1), jobs, QDir::currentPath());
    runner.setEncodersAtOnce(arguments.at(0).toInt());
    TerminationWatcher watcher;
    QObject::connect(&watcher, &TerminationWatcher::received, &runner, &BatchRunner::stop);
    QObject::connect(&runner, &BatchRunner::finished, &app, &QCoreApplication::quit);
    runner.start();
    app.exec();

    if (!runner.programNotStarted().isEmpty()) {
        std::fprintf(stderr, "Unable to start %s.\n", qPrintable(runner.programNotStarted()));
        return 2;
    }
    const BatchCounts counts = runner.counts();
    std::printf("wall %.3f s, probe cpu %.3f s, encoders cpu %.3f s, finished %d, failed %d, stopped %d\n",
                double(wall.nsecsElapsed()) / 1e9, cpuSeconds(RUSAGE_SELF), cpuSeconds(RUSAGE_CHILDREN),
                counts.finished, counts.failed, counts.stopped);
    return counts.failed + counts.stopped == 0 ? 0 : 1;
}
