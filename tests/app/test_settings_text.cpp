#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "platform/settings_store.h"
#include "text/number_text.h"

using namespace velmora;

// The calibration distances as the settings store keeps them: application "Velmora", section
// "Collate", keys "X" and "Y", the number as trimmed number text.
class TestSettingsText : public QObject {
    Q_OBJECT
private:
    QTemporaryDir config_;

private Q_SLOTS:
    // Never the user's own settings, even when the test runs outside CTest.
    void initTestCase() {
        QVERIFY(config_.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()));
    }

    void storedText_data() {
        QTest::addColumn<double>("millimetres");
        QTest::addColumn<QString>("text");
        QTest::newRow("half") << 0.5 << ".5";
        QTest::newRow("twelve") << 12.0 << "12";
        QTest::newRow("quarter") << 7.25 << "7.25";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("thirty") << 30.0 << "30";
        QTest::newRow("small") << 0.05 << ".05";
    }
    void storedText() {
        QFETCH(double, millimetres);
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.ini"));
        {
            QSettingsStore store(path);
            store.save(kSettingsApplication, kCollateSection, QStringLiteral("X"),
                       TrimmedNumberText(millimetres));
            store.save(kSettingsApplication, kCollateSection, QStringLiteral("Y"),
                       TrimmedNumberText(millimetres));
        }
        // A new store over the same file reads back the exact text, and the text the number.
        QSettingsStore again(path);
        for (const QString& key : {QStringLiteral("X"), QStringLiteral("Y")}) {
            QCOMPARE(again.get(kSettingsApplication, kCollateSection, key), text);
            QCOMPARE(LeadingNumber(again.get(kSettingsApplication, kCollateSection, key)), millimetres);
        }
        // The file holds the text as it is, under the section's name.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString contents = QString::fromUtf8(file.readAll());
        QVERIFY2(contents.contains(QStringLiteral("X=") + text), qPrintable(contents));
        QVERIFY(contents.contains(QStringLiteral("Collate")));
    }

    void missingKeysReadAsZero() {
        QTemporaryDir dir;
        QSettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
        QCOMPARE(store.get(kSettingsApplication, kCollateSection, QStringLiteral("X")), QString());
        QCOMPARE(LeadingNumber(store.get(kSettingsApplication, kCollateSection, QStringLiteral("Y"))), 0.0);
    }

    // The user's own store: organisation and application "Velmora", in the private test folder.
    void userStore() {
        QSettingsStore store;
        store.save(kSettingsApplication, kCollateSection, QStringLiteral("X"), QStringLiteral(".5"));
        QCOMPARE(store.get(kSettingsApplication, kCollateSection, QStringLiteral("X")), QStringLiteral(".5"));
        QSettings native(QStringLiteral("Velmora"), QStringLiteral("Velmora"));
        QCOMPARE(native.value(QStringLiteral("Collate/X")).toString(), QStringLiteral(".5"));
        QVERIFY2(native.fileName().startsWith(config_.path()), qPrintable(native.fileName()));
    }
};

QTEST_GUILESS_MAIN(TestSettingsText)
#include "test_settings_text.moc"
