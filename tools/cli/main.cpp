// velmora-cli: the program's rules from the command line, for scripts and checks.

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <map>

#include "app/fonts.h"
#include "cli.h"
#include "platform/services.h"
#include "platform/settings_store.h"

namespace velmora::cli {

namespace {

std::map<QString, Command>& commandTable() {
    static std::map<QString, Command> table;
    return table;
}

std::vector<RenderFormSource>& renderSourceTable() {
    static std::vector<RenderFormSource> table;
    return table;
}

void write(std::FILE* stream, const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

QString usage() {
    QString text = QStringLiteral("usage:");
    for (const Command& command : commands()) {
        for (const QString& line : command.usage.split(QLatin1Char('\n'))) {
            text += QStringLiteral("\n  velmora-cli ") + line;
        }
    }
    return text;
}

}  // namespace

std::vector<Command> commands() {
    std::vector<Command> all;
    for (const auto& [name, command] : commandTable()) {
        all.push_back(command);
    }
    return all;
}

CommandRegistrar::CommandRegistrar(const char* name, const char* usage,
                                   std::function<int(const QStringList&)> run) {
    const QString key = QString::fromUtf8(name);
    commandTable()[key] = Command{key, QString::fromUtf8(usage), std::move(run)};
}

std::vector<RenderFormSource> renderFormSources() {
    return renderSourceTable();
}

RenderFormSourceRegistrar::RenderFormSourceRegistrar(RenderFormSource source) {
    renderSourceTable().push_back(std::move(source));
}

void printOut(const QString& line) {
    write(stdout, line);
}
void printError(const QString& line) {
    write(stderr, line);
}

}  // namespace velmora::cli

int main(int argc, char* argv[]) {
    using namespace velmora::cli;
    // No window ever shows: fonts and PDF output need no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    velmora::installSongFontSubstitutions();
    static velmora::QSettingsStore settings;
    velmora::services().settings = &settings;

    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        printError(usage());
        return kExitUsage;
    }
    const QString name = arguments.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        printOut(usage());
        return kExitOk;
    }
    const std::vector<Command> all = commands();
    const auto it = std::find_if(all.begin(), all.end(), [&](const Command& c) { return c.name == name; });
    if (it == all.end()) {
        printError(QStringLiteral("velmora-cli: unknown command \"%1\"").arg(name));
        printError(usage());
        return kExitUsage;
    }
    return it->run(arguments);
}
