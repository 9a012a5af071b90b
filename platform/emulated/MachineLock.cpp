#include "emulated/MachineLock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace qmplatform::emulated {

MachineLock::MachineLock(std::filesystem::path lockFile) : path_(std::move(lockFile)) {}

MachineLock::~MachineLock() {
#ifdef _WIN32
    if (handle_ != nullptr) {
        CloseHandle(static_cast<HANDLE>(handle_));
    }
#else
    if (fd_ >= 0) {
        ::close(fd_);
    }
#endif
}

// The file stays open from the first lock on. The lock belongs to this open
// file (flock, LockFileEx), not to the process, so two MachineLocks of one
// process exclude each other as two processes do; fcntl locks would not.
bool MachineLock::open(std::error_code& error) {
#ifdef _WIN32
    if (handle_ != nullptr) {
        return true;
    }
    HANDLE h = CreateFileW(path_.wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = std::error_code(static_cast<int>(GetLastError()), std::system_category());
        return false;
    }
    handle_ = h;
#else
    if (fd_ >= 0) {
        return true;
    }
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
        return false;
    }
    fd_ = fd;
#endif
    return true;
}

bool MachineLock::lock(std::error_code& error) {
    threads_.lock();
    if (!open(error)) {
        threads_.unlock();
        return false;
    }
#ifdef _WIN32
    OVERLAPPED whole{};
    if (!LockFileEx(static_cast<HANDLE>(handle_), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        error = std::error_code(static_cast<int>(GetLastError()), std::system_category());
        threads_.unlock();
        return false;
    }
#else
    int rc;
    do {
        rc = ::flock(fd_, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        error = std::error_code(errno, std::generic_category());
        threads_.unlock();
        return false;
    }
#endif
    return true;
}

void MachineLock::lock() {
    std::error_code error;
    if (!lock(error)) {
        throw std::system_error(error, "cannot lock " + path_.string());
    }
}

bool MachineLock::try_lock() {
    if (!threads_.try_lock()) {
        return false;
    }
    std::error_code error;
    if (!open(error)) {
        threads_.unlock();
        return false;
    }
#ifdef _WIN32
    OVERLAPPED whole{};
    const bool locked =
        LockFileEx(static_cast<HANDLE>(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                   MAXDWORD, MAXDWORD, &whole) != 0;
#else
    const bool locked = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
#endif
    if (!locked) {
        threads_.unlock();
    }
    return locked;
}

void MachineLock::unlock() {
#ifdef _WIN32
    OVERLAPPED whole{};
    UnlockFileEx(static_cast<HANDLE>(handle_), 0, MAXDWORD, MAXDWORD, &whole);
#else
    ::flock(fd_, LOCK_UN);
#endif
    threads_.unlock();
}

} // namespace qmplatform::emulated
