// Stores a calibration through the program's own per-user settings store, as the offsets dialog
// does, and prints what a print run reads back from it. Built into the Windows test build only
// (probe.cmake), so that scripts/windows/test.sh can look at where Windows keeps it: the registry.
//
//   velmora-calibration-probe [X Y]   store X and Y (when given), then print "X Y" as read back

#include <QCoreApplication>
#include <QTextStream>

#include "calibration.h"
#include "settings_store.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    velmora::QSettingsStore settings;
    velmora::CalibrationStore calibrations(settings);
    if (arguments.size() == 2) {
        calibrations.save(
            {velmora::Millimetres{arguments[0].toDouble()}, velmora::Millimetres{arguments[1].toDouble()}});
    } else if (!arguments.isEmpty()) {
        QTextStream(stderr) << "usage: velmora-calibration-probe [X Y]\n";
        return 2;
    }
    const velmora::CalibrationReading reading = calibrations.reading();
    QTextStream out(stdout);
    if (!reading.stored || !reading.problem.isEmpty()) {
        out << "not stored " << reading.problem << '\n';
        return 1;
    }
    out << reading.value.x.value << ' ' << reading.value.y.value << '\n';
    return 0;
}
