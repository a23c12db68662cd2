// The Win32 side of safe_file.h. A name is opened with FILE_FLAG_OPEN_REPARSE_POINT, so a symbolic
// link or junction there is looked at, never followed; a file is written as a new file created beside
// its target (CREATE_NEW: nothing already there is opened) and moved over it while the folder is held
// open without delete sharing, so that the folder cannot be renamed or replaced in between. What is
// kept for the user alone gets a protected access list naming only the user and the system.

#include <windows.h>

#include <aclapi.h>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <memory>

#include "safe_file.h"

namespace velmora {

namespace {

// A handle closed when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~Handle() {
        if (valid()) {
            ::CloseHandle(handle_);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (valid()) {
            ::CloseHandle(handle_);
        }
        handle_ = handle;
    }
    bool close() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

std::wstring native(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdWString();
}

QString systemError(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = length ? QString::fromWCharArray(text, int(length)).trimmed()
                             : QStringLiteral("Windows error %1").arg(code);
    ::LocalFree(text);
    return message;
}

// The user this process runs as: its token's user, copied.
struct CurrentUser {
    std::unique_ptr<char[]> buffer;
    PSID sid = nullptr;
};
const CurrentUser& currentUser() {
    static const CurrentUser user = [] {
        CurrentUser found;
        HANDLE token = nullptr;
        if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
            DWORD size = 0;
            ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
            found.buffer = std::make_unique<char[]>(size);
            if (::GetTokenInformation(token, TokenUser, found.buffer.get(), size, &size)) {
                found.sid = reinterpret_cast<TOKEN_USER*>(found.buffer.get())->User.Sid;
            }
            ::CloseHandle(token);
        }
        return found;
    }();
    return user;
}

// An access list giving the user and the system full control and no one else anything, inherited by
// what a folder holds.
struct PrivateAcl {
    PACL acl = nullptr;
    PSID system = nullptr;
    PrivateAcl() {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        if (!currentUser().sid ||
            !::AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system)) {
            return;
        }
        EXPLICIT_ACCESSW entries[2] = {};
        const PSID sids[2] = {currentUser().sid, system};
        for (int i = 0; i < 2; ++i) {
            entries[i].grfAccessPermissions = GENERIC_ALL;
            entries[i].grfAccessMode = SET_ACCESS;
            entries[i].grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
            entries[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
            entries[i].Trustee.TrusteeType = TRUSTEE_IS_USER;
            entries[i].Trustee.ptstrName = static_cast<LPWSTR>(sids[i]);
        }
        if (::SetEntriesInAclW(2, entries, nullptr, &acl) != ERROR_SUCCESS) {
            acl = nullptr;
        }
    }
    ~PrivateAcl() {
        if (acl) {
            ::LocalFree(acl);
        }
        if (system) {
            ::FreeSid(system);
        }
    }
    PrivateAcl(const PrivateAcl&) = delete;
    PrivateAcl& operator=(const PrivateAcl&) = delete;
};

// Security attributes that create a file or folder with the private access list.
class PrivateAttributes {
public:
    PrivateAttributes() {
        if (acl_.acl && ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
            ::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl_.acl, FALSE) &&
            ::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
            attributes_.lpSecurityDescriptor = &descriptor_;
        }
    }
    SECURITY_ATTRIBUTES* get() { return attributes_.lpSecurityDescriptor ? &attributes_ : nullptr; }

private:
    PrivateAcl acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

// What stands at a path, a link or junction itself looked at.
std::optional<PrivateCheck> linkOrKind(const std::wstring& path, bool wantFolder) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        return PrivateCheck{PrivateState::Link, {}};
    }
    if (bool(attributes & FILE_ATTRIBUTE_DIRECTORY) != wantFolder || (attributes & FILE_ATTRIBUTE_DEVICE)) {
        return PrivateCheck{PrivateState::NotKind, {}};
    }
    return std::nullopt;
}

// Whether an access list lets no one but the user and the system in. (No list at all lets everyone
// in.) Whether it is protected from inheritance is not asked: Wine does not report it.
bool isPrivate(PACL dacl) {
    if (!dacl) {
        return false;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(dacl, i, &entry)) {
            return false;
        }
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE) {
            continue;
        }
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            return false;
        }
        PSID sid = &static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart;
        if (!::EqualSid(sid, currentUser().sid) && !::IsWellKnownSid(sid, WinLocalSystemSid)) {
            return false;
        }
    }
    return true;
}

// The checks every file or folder kept for the user passes on the handle it was opened as (opened
// with FILE_FLAG_OPEN_REPARSE_POINT, READ_CONTROL and WRITE_DAC): no link, the right kind, the user's
// own, then the private access list put on it unless it is private already.
PrivateCheck ownAndTighten(HANDLE handle, bool folder) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) {
        return {PrivateState::Failed, systemError(::GetLastError())};
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        return {PrivateState::Link, {}};
    }
    if (bool(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != folder) {
        return {PrivateState::NotKind, {}};
    }
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD got =
        ::GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                          &owner, nullptr, &dacl, nullptr, &descriptor);
    if (got != ERROR_SUCCESS) {
        return {PrivateState::Failed, systemError(got)};
    }
    const bool mine = currentUser().sid && ::EqualSid(owner, currentUser().sid);
    const bool tight = mine && isPrivate(dacl);
    ::LocalFree(descriptor);
    if (!mine) {
        return {PrivateState::Foreign, {}};
    }
    // Rewritten only when not private already: every open rewriting it would make a folder's new list
    // spread over everything in it each time, and programs opening the journal at once would all write
    // it (Wine then fails some of them with ERROR_INSUFFICIENT_BUFFER).
    if (tight) {
        return {};
    }
    const PrivateAcl acl;
    const DWORD set = acl.acl
                          ? ::SetSecurityInfo(handle, SE_FILE_OBJECT,
                                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                              nullptr, nullptr, acl.acl, nullptr)
                          : DWORD(ERROR_NOT_ENOUGH_MEMORY);
    if (set != ERROR_SUCCESS) {
        return {PrivateState::Failed, systemError(set)};
    }
    return {};
}

// Opens a name itself (a link or junction is opened as what it is) to look at and re-secure it.
Handle openToSecure(const std::wstring& path, DWORD disposition, SECURITY_ATTRIBUTES* attributes,
                    bool folder) {
    return Handle(
        ::CreateFileW(path.c_str(), GENERIC_READ | READ_CONTROL | WRITE_DAC,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, attributes, disposition,
                      FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0), nullptr));
}

bool writeAll(HANDLE file, const QByteArray& data) {
    const char* next = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD chunk = DWORD(std::min<qint64>(left, 1 << 30));
        if (!::WriteFile(file, next, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        next += written;
        left -= written;
    }
    return true;
}

}  // namespace

bool WritePrivateFile(const QString& path, const QByteArray& data, QString* error) {
    const QString shown = QDir::toNativeSeparators(path);
    const auto failed = [&](DWORD code) {
        *error = WriteFailure(shown, systemError(code));
        return false;
    };
    const QFileInfo info(path);
    const std::wstring target = native(path);
    if (info.fileName().isEmpty()) {
        return failed(ERROR_DIRECTORY);
    }
    // The folder stays open, shared for reading and writing but not for deleting: it cannot be
    // renamed, removed or swapped for a junction until the file is in place.
    const Handle folder(::CreateFileW(native(info.absolutePath()).c_str(), FILE_LIST_DIRECTORY,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.valid()) {
        return failed(::GetLastError());
    }
    if (const std::optional<PrivateCheck> there = linkOrKind(target, false)) {
        *error = TargetRefusal(there->state, shown);
        return false;
    }
    // A new file beside the target, moved over it once complete: a link planted in the meantime is
    // replaced, never followed.
    PrivateAttributes attributes;
    std::wstring temporary;
    Handle file;
    DWORD code = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 16 && !file.valid(); ++attempt) {
        temporary =
            native(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                   QStringLiteral(".velmora-") + QString::number(QRandomGenerator::global()->generate(), 36));
        const HANDLE created =
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, attributes.get(), CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        code = ::GetLastError();
        file.reset(created);
        if (!file.valid() && code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    if (!file.valid()) {
        return failed(code);
    }
    const bool written = writeAll(file.get(), data) && ::FlushFileBuffers(file.get()) && file.close();
    code = ::GetLastError();
    if (!written || !::MoveFileExW(temporary.c_str(), target.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD why = written ? ::GetLastError() : code;
        file.reset();
        ::DeleteFileW(temporary.c_str());
        return failed(why);
    }
    return true;
}

PrivateCheck PreparePrivateFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (!QDir().mkpath(info.absolutePath())) {
        return {PrivateState::Failed, systemError(::GetLastError())};
    }
    const std::wstring path = native(info.absoluteFilePath());
    PrivateAttributes attributes;
    if (!::CreateDirectoryW(path.c_str(), attributes.get()) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        return {PrivateState::Failed, systemError(::GetLastError())};
    }
    if (const std::optional<PrivateCheck> there = linkOrKind(path, true)) {
        return *there;
    }
    const Handle handle = openToSecure(path, OPEN_EXISTING, nullptr, true);
    if (!handle.valid()) {
        return {PrivateState::Failed, systemError(::GetLastError())};
    }
    return ownAndTighten(handle.get(), true);
}

PrivateCheck PreparePrivateFile(const QString& path) {
    const std::wstring name = native(path);
    if (const std::optional<PrivateCheck> there = linkOrKind(name, false)) {
        return *there;
    }
    PrivateAttributes attributes;
    const Handle handle = openToSecure(name, OPEN_ALWAYS, attributes.get(), false);
    if (!handle.valid()) {
        return {PrivateState::Failed, systemError(::GetLastError())};
    }
    return ownAndTighten(handle.get(), false);
}

bool TightenPrivate(const QString& path) {
    const std::wstring name = native(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
    const Handle handle = openToSecure(name, OPEN_EXISTING, nullptr, folder);
    return handle.valid() && ownAndTighten(handle.get(), folder).state == PrivateState::Ok;
}

std::optional<FileIdentity> IdentityOf(const QString& path) {
    if (path.isEmpty()) {
        return std::nullopt;
    }
    // Links followed, as a path to the file is used everywhere else.
    const Handle handle(::CreateFileW(native(path).c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle.valid() || !::GetFileInformationByHandle(handle.get(), &info)) {
        return std::nullopt;
    }
    return FileIdentity{quint64(info.dwVolumeSerialNumber),
                        (quint64(info.nFileIndexHigh) << 32) | quint64(info.nFileIndexLow)};
}

}  // namespace velmora
