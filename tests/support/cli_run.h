#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// One run of velmora-cli: its exit code (-1 when it did not end normally), standard output line by
// line, and standard error.
struct CliRun {
    int exitCode = -1;
    QStringList lines;
    QString err;
};

inline CliRun runCli(const QStringList& arguments) {
    QProcess process;
    // A private runtime folder keeps Qt's note about a missing one off standard error.
    static QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VELMORA_CLI), arguments);
    CliRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        return run;
    }
    run.exitCode = process.exitCode();
    QString out = QString::fromUtf8(process.readAllStandardOutput());
#ifdef Q_OS_WIN
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));  // a Windows console program's line ends
#endif
    run.lines = out.split(u'\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
