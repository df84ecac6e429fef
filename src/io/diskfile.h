// A data file on disk as BASIC statements see it: one byte position that
// reads and writes move, with buffering underneath so that reading or
// writing a byte at a time costs no system call per byte.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// A file name as a BASIC program writes it (CP932 bytes) turned into the
// name handed to the operating system, as program files name theirs:
// UTF-8, the backslash of DOS paths as the directory separator, and a name
// that does not exist as written matched against the existing ones without
// regard to letter case. Relative names resolve against the current
// directory.
std::string hostFileName(std::string_view cp932Name);

class DiskFile {
public:
    enum class Access {
        Random,  // read and write; created when missing
        Input,   // read; must exist
        Output,  // write; created, or emptied when it exists
        Append,  // read and write, every write at the end; must exist
    };

    // Opens `path` (a host name). nullptr when the file cannot be opened
    // (errno tells why); a directory never opens.
    static std::unique_ptr<DiskFile> open(const std::string& path, Access access);
    ~DiskFile();
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;

    int64_t position() const { return base_ + static_cast<int64_t>(index_); }
    int64_t size() const { return size_; }
    bool atEnd() const { return position() >= size_; }
    void seek(int64_t pos);

    // The next byte (0..255), End at the end of the file, Failed when the
    // read fails.
    static constexpr int End = -1;
    static constexpr int Failed = -2;
    int get() {
        if (index_ < length_) return static_cast<unsigned char>(buf_[index_++]);
        return refill();
    }
    // Steps back over the byte get() returned last.
    void unget();
    // The bytes read ahead from the position on, reading more when none
    // are: 1 with `out` set, End, or Failed. skip(n) then moves the
    // position over the first n of them.
    int peek(std::string_view& out) {
        if (index_ >= length_) {
            const int c = refill();
            if (c < 0) return c;
            --index_;
        }
        out = std::string_view(buf_.data() + index_, length_ - index_);
        return 1;
    }
    void skip(size_t n) { index_ += n; }
    // Reads up to n bytes at the position; the count read, or -1 on failure.
    int64_t read(char* out, size_t n);
    // Writes at the position (at the end for Append); false when handing
    // buffered bytes to the system failed.
    bool write(std::string_view bytes);
    // Writes the buffered bytes out; false when that fails.
    bool flush();
    // Forgets what was read ahead and reads the size again, so that writes
    // made through another handle of the same file are seen.
    void resync();
    // Flushes and closes; false when a write or the close failed.
    bool close();

    // Identity of the file, to find numbers open on the same file.
    dev_t device() const { return dev_; }
    ino_t inode() const { return ino_; }

private:
    DiskFile(int fd, Access access);
    int refill();

    int fd_ = -1;
    Access access_;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    int64_t size_ = 0;
    // Read-ahead window: buf_[0, length_) holds the file bytes from base_;
    // the position is base_ + index_ (index_ may equal length_).
    std::vector<char> buf_;
    int64_t base_ = 0;
    size_t index_ = 0;
    size_t length_ = 0;
    // Bytes written but not yet handed to the system, starting at wbase_.
    std::string wbuf_;
    int64_t wbase_ = 0;
};

}  // namespace tw
