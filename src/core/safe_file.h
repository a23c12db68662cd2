#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace velmora {

// The files the program writes, safe from another user sharing a folder: the last component of a
// path is never followed when it is a symbolic link, a file is replaced by renaming within the folder
// already opened, and personal files and folders are their user's alone. The platform's calls live in
// safe_file_posix.cpp; safe_file.cpp holds what every platform shares.

// Writes data to path whole or not at all: a new file in the target's folder, readable by its user
// only, renamed over the target. A target that is a symbolic link or no regular file is refused; a
// write that fails leaves an earlier file of that name intact. false with *error saying why, the path
// named.
bool WritePrivateFile(const QString& path, const QByteArray& data, QString* error);

// What stands where the program keeps something for its user alone.
enum class PrivateState {
    Ok,
    Link,     // a symbolic link: never followed
    Foreign,  // owned by another user
    NotKind,  // a file where a folder belongs, or anything but a regular file where a file belongs
    Failed,   // it could not be created or opened: `detail` says why
};
struct PrivateCheck {
    PrivateState state = PrivateState::Ok;
    QString detail;
};

// Why writing a file failed, with the system's reason.
QString WriteFailure(const QString& shown, const QString& reason);
// Why a file cannot be written where a link (PrivateState::Link) or something not a regular file stands.
QString TargetRefusal(PrivateState state, const QString& shown);

// The folder, created with its parents when missing and readable by its user only; an existing one of
// the user's loses every permission of group and others.
PrivateCheck PreparePrivateFolder(const QString& folder);
// The file, in a folder prepared so: created empty (0600) when missing, an existing one losing every
// permission of group and others. Creating it when another process does too is no error.
PrivateCheck PreparePrivateFile(const QString& path);
// Takes group's and others' permissions from a file or folder of the user's that is no link; false
// when it is a link, another user's, or missing.
bool TightenPrivate(const QString& path);

// The identity of the file a path names, links followed: its device and inode (on Windows its volume
// and file index); nothing when there is no such file.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> IdentityOf(const QString& path);

// Whether two paths name the same file: by identity where both exist (hard links and symbolic links
// alike), else by their real paths (a path to a file that does not exist yet compares by its folder's).
bool SameFile(const QString& a, const QString& b);

// Why a document or an export may not be written to `target`: it is the workbook being read, the
// print journal in use (`journal`) or the user's own journal (with SQLite's files beside it), or the
// settings file. "" when it may.
QString OwnFileRefusal(const QString& target, const QString& workbook, const QString& journal = {});

}  // namespace velmora
