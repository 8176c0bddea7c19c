#pragma once

#include <QtGlobal>

// A file's bytes mapped read-only into memory, for a search that looks at
// each byte once: no copy out of the page cache, as a read into a buffer
// makes. Another program may shorten the file meanwhile; a read of a page
// past its new end would end this process (SIGBUS), so such a page reads as
// zeros instead and truncated() says so: the bytes are then not the file's,
// and what was read from them is to be dropped.
class MappedFile
{
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;

    // Maps the first `size` bytes of the open file `fd`; false when it
    // cannot (errno says why), or when too many are mapped at once.
    bool map(int fd, qint64 size);
    const char *data() const { return m_data; }
    qint64 size() const { return m_size; }
    // Whether a page read past the file's end since it was mapped.
    bool truncated() const;

    // Files mapped at once at most, across the threads.
    static constexpr int mostAtOnce = 64;

private:
    void unmap();

    const char *m_data = nullptr;
    qint64 m_size = 0;
    int m_slot = -1; // in the fault handler's list
};
