#pragma once

// velmora-cli: the program's rules from the command line, for scripts and checks. Exit codes: 0 done,
// 1 the work failed (message on standard error), 2 bad arguments (usage on standard error).

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

#include "grid.h"
#include "import.h"

namespace velmora::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Writes a line to standard output or standard error, UTF-8.
void printOut(const QString& line);
void printError(const QString& line);

// Parses a subcommand's arguments; on a bad argument prints it with the usage and gives nothing.
bool parseArguments(QCommandLineParser& parser, const QString& command, const QStringList& arguments);
int usageError(const QCommandLineParser& parser, const QString& command, const QString& problem);

// What to import, as the open-workbook dialog says it, with the dialog's defaults: --sheet,
// --first-row, --columns and --clean.
void addImportOptions(QCommandLineParser& parser);

struct BatchRequest {
    ImportRequest request;
    int cleanRule = -1;  // 0 to 3: the cleaning rule applied after the import
};
// The request the import options give; nothing with *problem set when one is wrong.
std::optional<BatchRequest> batchRequest(const QCommandLineParser& parser, const QString& path,
                                         QString* problem);

// A batch read into a grid of the batch grid's shape, cleaned when asked.
struct Batch {
    MemoryGrid grid{kMaxDataRows + 1, kDataColumns + 1};
    ImportOutcome outcome;
};
// Reads the batch; nothing with *error set (the import's message) when the import failed.
std::optional<Batch> readBatch(const BatchRequest& request, QString* error);

int runImport(const QStringList& arguments);
int runRender(const QStringList& arguments);

}  // namespace velmora::cli
