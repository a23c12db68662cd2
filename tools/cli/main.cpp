// velmora-cli: import and render from the command line, through the same rules as the windows.

#include <QGuiApplication>
#include <cstdio>

#include "cli.h"
#include "fonts.h"

namespace velmora::cli {

namespace {

const QString kUsage = QStringLiteral(
    "usage:\n"
    "  velmora-cli import WORKBOOK [options]   the rows a batch import reads, as tab-separated lines\n"
    "  velmora-cli render (--pdf OUT.pdf | --printer NAME) [options]   draw forms\n"
    "velmora-cli COMMAND --help shows a command's options.");

void write(std::FILE* stream, const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

}  // namespace

void printOut(const QString& line) {
    write(stdout, line);
}

void printError(const QString& line) {
    write(stderr, line);
}

bool parseArguments(QCommandLineParser& parser, const QString& command, const QStringList& arguments) {
    parser.setApplicationDescription(QStringLiteral("velmora-cli ") + command);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    return parser.parse(QStringList{QStringLiteral("velmora-cli ") + command} + arguments);
}

int usageError(const QCommandLineParser& parser, const QString& command, const QString& problem) {
    printError(QStringLiteral("velmora-cli %1: %2").arg(command, problem));
    printError(parser.helpText().trimmed());
    return kExitUsage;
}

}  // namespace velmora::cli

int main(int argc, char* argv[]) {
    using namespace velmora::cli;
    // No window ever shows: fonts and PDF output need no display. Windows' own platform needs none
    // either and knows the system's fonts, which the offscreen platform there does not.
#ifndef Q_OS_WIN
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
#endif
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
    QCoreApplication::setOrganizationName(QStringLiteral("Velmora"));
    velmora::installSongFontSubstitutions();

    QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString command = arguments.isEmpty() ? QString() : arguments.takeFirst();
    if (command == QLatin1String("import")) {
        return runImport(arguments);
    }
    if (command == QLatin1String("render")) {
        return runRender(arguments);
    }
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        command == QLatin1String("help")) {
        printOut(kUsage);
        return kExitOk;
    }
    if (!command.isEmpty()) {
        printError(QStringLiteral("velmora-cli: unknown command \"%1\"").arg(command));
    }
    printError(kUsage);
    return kExitUsage;
}
