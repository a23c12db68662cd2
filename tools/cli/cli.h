#pragma once

// velmora-cli: subcommands registered by static objects, one file per subcommand.
//
//   static velmora::cli::CommandRegistrar kImport("import", "import --workbook FILE ...", RunImport);
//
// Exit codes: 0 done, 1 the work failed (message on stderr), 2 bad arguments (usage on stderr).

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "printing/form_content.h"

namespace velmora::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// A subcommand: its name, its usage line(s) and what runs it with the arguments after the name.
struct Command {
    QString name;
    QString usage;
    std::function<int(const QStringList& arguments)> run;
};

// The registered subcommands, in the order of their names.
std::vector<Command> commands();

class CommandRegistrar {
public:
    CommandRegistrar(const char* name, const char* usage, std::function<int(const QStringList&)> run);
};

// An extra option of "render" that supplies the forms to draw instead of the one built from --text
// and --tick, e.g. a batch file: given the option's value and that one form (the common boxes), it
// returns the forms, or nothing with *error set. Register from the file that owns the source.
struct RenderFormSource {
    QString option;  // with its dashes, e.g. "--batch"
    QString usage;   // e.g. "--batch FILE"
    // Further options of the source, each with a value (e.g. "--sheet"); render accepts them only
    // together with the source's option and hands them over by name.
    QStringList valueOptions;
    std::function<std::optional<std::vector<FormContent>>(const QString& value,
                                                          const QHash<QString, QString>& options,
                                                          const FormContent& common, QString* error)>
        forms;
};

std::vector<RenderFormSource> renderFormSources();

class RenderFormSourceRegistrar {
public:
    explicit RenderFormSourceRegistrar(RenderFormSource source);
};

// Writes a line to stdout or stderr, UTF-8.
void printOut(const QString& line);
void printError(const QString& line);

}  // namespace velmora::cli
