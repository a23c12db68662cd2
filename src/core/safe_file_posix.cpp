// The POSIX side of safe_file.h: every file is reached through its folder's descriptor, the last
// component opened with O_NOFOLLOW or looked at with AT_SYMLINK_NOFOLLOW, and checked again on the
// descriptor it was opened as, so that nothing swapped in between is written.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>

#include "safe_file.h"

namespace velmora {

namespace {

// A descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void reset(int fd) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes it, reporting a failed close (NFS and some disks report a failed write only there).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray nameOf(const QString& path) {
    return QFile::encodeName(QFileInfo(path).fileName());
}

Fd openFolderOf(const QString& path) {
    return Fd(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

bool writeAll(int fd, const QByteArray& data) {
    const char* next = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, next, std::size_t(left));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        next += n;
        left -= n;
    }
    return true;
}

// The checks every file or folder kept for its user passes on the descriptor it was opened as, and
// its permissions tightened to the user's own.
PrivateCheck ownAndTighten(int fd, bool folder) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return {PrivateState::Failed, systemError(errno)};
    }
    if (folder ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode)) {
        return {PrivateState::NotKind, {}};
    }
    if (info.st_uid != ::geteuid()) {
        return {PrivateState::Foreign, {}};
    }
    if ((info.st_mode & 077) != 0 && ::fchmod(fd, info.st_mode & 0700) != 0) {
        return {PrivateState::Failed, systemError(errno)};
    }
    return {};
}

// What stands at `name` in the folder, the link itself looked at.
std::optional<PrivateCheck> linkOrKind(int folder, const QByteArray& name, bool wantFolder) {
    struct stat info {};
    if (::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    if (S_ISLNK(info.st_mode)) {
        return PrivateCheck{PrivateState::Link, {}};
    }
    if (wantFolder ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode)) {
        return PrivateCheck{PrivateState::NotKind, {}};
    }
    return std::nullopt;
}

}  // namespace

bool WritePrivateFile(const QString& path, const QByteArray& data, QString* error) {
    const QString shown = QDir::toNativeSeparators(path);
    const auto failed = [&](int code) {
        *error = WriteFailure(shown, systemError(code));
        return false;
    };
    const QByteArray name = nameOf(path);
    const Fd folder = openFolderOf(path);
    if (name.isEmpty() || !folder.valid()) {
        return failed(name.isEmpty() ? EISDIR : errno);
    }
    if (const std::optional<PrivateCheck> there = linkOrKind(folder.get(), name, false)) {
        *error = TargetRefusal(there->state, shown);
        return false;
    }
    // A new file beside the target, renamed over it once complete: a link planted in the meantime is
    // replaced, never followed.
    QByteArray temporary;
    Fd file;
    for (int attempt = 0; attempt < 16 && !file.valid(); ++attempt) {
        temporary = '.' + name + ".velmora-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        file.reset(::openat(folder.get(), temporary.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.valid() && errno != EEXIST) {
            break;
        }
    }
    if (!file.valid()) {
        return failed(errno);
    }
    const bool written = ::fchmod(file.get(), 0600) == 0 && writeAll(file.get(), data) &&
                         ::fsync(file.get()) == 0 && file.close();
    const int code = errno;
    if (!written || ::renameat(folder.get(), temporary.constData(), folder.get(), name.constData()) != 0) {
        const int why = written ? errno : code;
        ::unlinkat(folder.get(), temporary.constData(), 0);
        return failed(why);
    }
    ::fsync(folder.get());
    return true;
}

PrivateCheck PreparePrivateFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (!QDir().mkpath(info.absolutePath())) {
        return {PrivateState::Failed, systemError(errno)};
    }
    const QByteArray name = nameOf(info.absoluteFilePath());
    const Fd parent = openFolderOf(info.absoluteFilePath());
    if (!parent.valid() || (::mkdirat(parent.get(), name.constData(), 0700) != 0 && errno != EEXIST)) {
        return {PrivateState::Failed, systemError(errno)};
    }
    if (const std::optional<PrivateCheck> there = linkOrKind(parent.get(), name, true)) {
        return *there;
    }
    const Fd fd(::openat(parent.get(), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) {
        return {errno == ELOOP ? PrivateState::Link : PrivateState::Failed, systemError(errno)};
    }
    return ownAndTighten(fd.get(), true);
}

PrivateCheck PreparePrivateFile(const QString& path) {
    const QByteArray name = nameOf(path);
    const Fd folder = openFolderOf(path);
    if (!folder.valid()) {
        return {PrivateState::Failed, systemError(errno)};
    }
    if (const std::optional<PrivateCheck> there = linkOrKind(folder.get(), name, false)) {
        return *there;
    }
    const Fd fd(::openat(folder.get(), name.constData(),
                         O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (!fd.valid()) {
        return {errno == ELOOP ? PrivateState::Link : PrivateState::Failed, systemError(errno)};
    }
    return ownAndTighten(fd.get(), false);
}

bool TightenPrivate(const QString& path) {
    const Fd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    return fd.valid() && ::fstat(fd.get(), &info) == 0 &&
           ownAndTighten(fd.get(), S_ISDIR(info.st_mode)).state == PrivateState::Ok;
}

std::optional<FileIdentity> IdentityOf(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{quint64(info.st_dev), quint64(info.st_ino)};
}

}  // namespace velmora
