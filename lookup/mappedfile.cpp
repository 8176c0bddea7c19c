#include "lookup/mappedfile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The mappings the fault handler answers for; a slot is free while its
// start is null. Plain atomics, read from a signal handler.
struct Slot
{
    std::atomic<const char *> begin{nullptr};
    std::atomic<const char *> end{nullptr};
    std::atomic<bool> faulted{false};
};
std::array<Slot, MappedFile::mostAtOnce> slots;
struct sigaction previous;
long pageBytes = 4096; // set before the handler is installed

// A read past the end of a shortened file: a page of zeros in its place,
// and the mapping marked, so the read goes on. Any other fault goes to the
// handler there was before.
void onBusError(int signal, siginfo_t *info, void *context)
{
    const auto *at = static_cast<const char *>(info->si_addr);
    for (Slot &slot : slots) {
        const char *begin = slot.begin.load();
        if (!begin || at < begin || at >= slot.end.load())
            continue;
        void *pageStart =
            reinterpret_cast<void *>(reinterpret_cast<quintptr>(at) & ~quintptr(pageBytes - 1));
        const int saved = errno;
        const void *zeros = mmap(pageStart, std::size_t(pageBytes), PROT_READ,
                                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        errno = saved;
        if (zeros != MAP_FAILED) {
            slot.faulted.store(true);
            return;
        }
    }
    if (previous.sa_flags & SA_SIGINFO && previous.sa_sigaction) {
        previous.sa_sigaction(signal, info, context);
        return;
    }
    if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
        return;
    }
    // The fault happens again on return, then with the default action.
    std::signal(SIGBUS, SIG_DFL);
}

void installHandler()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action
        {
        };
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &previous);
    });
}

} // namespace

MappedFile::~MappedFile()
{
    unmap();
}

bool MappedFile::map(int fd, qint64 size)
{
    unmap();
    if (size <= 0)
        return true;
    installHandler();
    void *bytes = mmap(nullptr, std::size_t(size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (bytes == MAP_FAILED)
        return false;
    madvise(bytes, std::size_t(size), MADV_SEQUENTIAL);
    const char *begin = static_cast<const char *>(bytes);
    for (int i = 0; i < mostAtOnce; ++i) {
        Slot &slot = slots[std::size_t(i)];
        const char *none = nullptr;
        // A slot's end is null while it is free, so its range is empty.
        if (slot.begin.compare_exchange_strong(none, begin)) {
            slot.faulted.store(false);
            slot.end.store(begin + size);
            m_data = begin;
            m_size = size;
            m_slot = i;
            return true;
        }
    }
    munmap(bytes, std::size_t(size));
    errno = EMFILE;
    return false;
}

bool MappedFile::truncated() const
{
    return m_slot >= 0 && slots[std::size_t(m_slot)].faulted.load();
}

void MappedFile::unmap()
{
    if (m_slot >= 0) {
        slots[std::size_t(m_slot)].end.store(nullptr);
        slots[std::size_t(m_slot)].begin.store(nullptr);
    }
    if (m_data)
        munmap(const_cast<char *>(m_data), std::size_t(m_size));
    m_data = nullptr;
    m_size = 0;
    m_slot = -1;
}
