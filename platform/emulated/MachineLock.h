// The one lock that serialises every change to an emulated machine between
// processes (and between threads of one process): an exclusive lock on a
// lock file beside the machine's data. Whoever changes a file of the machine
// takes it, re-reads what changed, writes, and releases it.
//
// It is not recursive: taking a second MachineLock on the same file while
// holding one, in the same thread, waits for ever.
#pragma once

#include <filesystem>
#include <mutex>
#include <system_error>

namespace qmplatform::emulated {

class MachineLock {
public:
    // The file is created on first lock when missing; it is never removed,
    // because a process that waits on it must lock the same file as the one
    // that holds it.
    explicit MachineLock(std::filesystem::path lockFile);
    ~MachineLock();
    MachineLock(const MachineLock&) = delete;
    MachineLock& operator=(const MachineLock&) = delete;

    // Waits until the lock is ours. Throws std::system_error when the lock
    // file cannot be opened or locked (a missing or read-only folder).
    void lock();
    void unlock();
    // False when another process or thread holds it, or the file cannot be
    // opened.
    bool try_lock();

    // The non-throwing form of lock(): false with the reason in `error`.
    bool lock(std::error_code& error);

    const std::filesystem::path& path() const { return path_; }

private:
    bool open(std::error_code& error);

    std::filesystem::path path_;
    std::mutex threads_; // the OS lock belongs to the open file, not to a thread
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

} // namespace qmplatform::emulated
