#pragma once

// Text in a Windows code page: the byte strings of Excel 5.0/95 workbooks, Chinese text files in
// GBK or GB18030. ICU converts on Linux, the system's own tables on Windows.

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace velmora {

// Code page numbers as Windows and the workbooks name them.
constexpr int kCodePageGbk = 936;
constexpr int kCodePageGb18030 = 54936;

// The text of `bytes`, a byte sequence the code page leaves undefined read as U+FFFD; nothing when
// this system has no converter for the code page.
std::optional<QString> DecodeCodePage(int codePage, QByteArrayView bytes);

}  // namespace velmora
