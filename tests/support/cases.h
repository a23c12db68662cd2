#pragma once

// Tables of cases kept in tests/data: a line a case, fields between tabs, "#" lines left out.

#include <QFile>
#include <QTest>
#include <deque>
#include <stdexcept>
#include <vector>

namespace velmora::test {

// A file's bytes, "(missing)" when it cannot be read; bytes written to a file.
inline QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}
inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A field of a case: "\n", "\r", "\t", "\\" and "\xHH" stand for those bytes, "{N*text}" for text N times.
inline QByteArray Expand(QByteArrayView field) {
    QByteArray bytes;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const qsizetype star = field.indexOf('*', i);
        const qsizetype close = field.indexOf('}', i);
        bool repeat = false;
        const int count = field[i] == '{' && star > i && close > star
                              ? field.sliced(i + 1, star - i - 1).toInt(&repeat)
                              : 0;
        if (repeat) {
            bytes += Expand(field.sliced(star + 1, close - star - 1)).repeated(count);
            i = close;
        } else if (field[i] == '\\' && i + 1 < field.size()) {
            const char c = field[++i];
            bytes += c == 'n'   ? '\n'
                     : c == 'r' ? '\r'
                     : c == 't' ? '\t'
                     : c == 'x' ? char(field.sliced(i + 1, 2).toUInt(nullptr, 16))
                                : c;
            i += c == 'x' ? 2 : 0;
        } else {
            bytes += field[i];
        }
    }
    return bytes;
}

// The bytes of tests/data/<file>.
inline QByteArray DataFile(const QString& file) {
    QFile f(qEnvironmentVariable("VELMORA_SOURCE_DIR") + QStringLiteral("/tests/data/") + file);
    if (!f.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("no data: run through ctest, or set VELMORA_SOURCE_DIR to the source tree");
    }
    return f.readAll();
}

// The cases of tests/data/<file>.
inline std::vector<std::vector<QByteArray>> Cases(const QString& file) {
    std::vector<std::vector<QByteArray>> cases;
    for (const QByteArray& line : DataFile(file).split('\n')) {
        if (!line.isEmpty() && !line.startsWith('#')) {
            std::vector<QByteArray> fields;
            for (const QByteArray& field : line.split('\t')) {
                fields.push_back(Expand(field));
            }
            cases.push_back(fields);
        }
    }
    return cases;
}

// Adds the columns, "name:type" apart by spaces (types: b QByteArray, s QString, i int, l qint64,
// d double, t bool, "true"), and each case of the file as a row named by its first field.
inline void AddRows(const QString& file, const char* columns) {
    static std::deque<QByteArray> names;  // the table keeps pointers to them
    QByteArray types;
    for (const QByteArray& column : QByteArray(columns).split(' ')) {
        const qsizetype colon = column.indexOf(':');
        const char type = column.at(colon + 1);
        const char* name = names.emplace_back(column.left(colon)).constData();
        type == 'b'   ? QTest::addColumn<QByteArray>(name)
        : type == 's' ? QTest::addColumn<QString>(name)
        : type == 'l' ? QTest::addColumn<qint64>(name)
        : type == 'd' ? QTest::addColumn<double>(name)
        : type == 't' ? QTest::addColumn<bool>(name)
                      : QTest::addColumn<int>(name);
        types += type;
    }
    for (const std::vector<QByteArray>& c : Cases(file)) {
        QTestData& row = QTest::newRow(c[0].constData());
        for (qsizetype i = 0; i < types.size(); ++i) {
            const QByteArray field = size_t(i) + 1 < c.size() ? c[i + 1] : QByteArray();
            if (types[i] == 'b') {
                row << field;
            } else if (types[i] == 's') {
                row << QString::fromUtf8(field);
            } else if (types[i] == 'l') {
                row << field.toLongLong();
            } else if (types[i] == 'd') {
                row << field.toDouble();
            } else if (types[i] == 't') {
                row << (field == "true");
            } else {
                row << field.toInt();
            }
        }
    }
}

}  // namespace velmora::test
