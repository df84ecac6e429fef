#include "io/diskfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "io/progfile.h"

namespace tw {

namespace {
constexpr size_t kReadAhead = 64 * 1024;
constexpr size_t kWriteBehind = 64 * 1024;
}  // namespace

std::string hostFileName(std::string_view cp932Name) { return progfile::hostPath(cp932Name); }

std::unique_ptr<DiskFile> DiskFile::open(const std::string& path, Access access) {
    int flags = O_CLOEXEC;
    switch (access) {
    case Access::Random: flags |= O_RDWR; break;
    case Access::Input: flags |= O_RDONLY; break;
    case Access::Output: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case Access::Append: flags |= O_RDWR; break;
    }
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0 && access == Access::Random) fd = ::open(path.c_str(), flags | O_CREAT, 0666);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return nullptr;
    }
    std::unique_ptr<DiskFile> f(new DiskFile(fd, access));
    f->dev_ = st.st_dev;
    f->ino_ = st.st_ino;
    f->size_ = static_cast<int64_t>(st.st_size);
    return f;
}

DiskFile::DiskFile(int fd, Access access) : fd_(fd), access_(access) { buf_.resize(kReadAhead); }

DiskFile::~DiskFile() {
    if (fd_ >= 0) close();
}

void DiskFile::seek(int64_t pos) {
    if (pos < 0) pos = 0;
    if (pos >= base_ && pos <= base_ + static_cast<int64_t>(length_)) {
        index_ = static_cast<size_t>(pos - base_);
        return;
    }
    base_ = pos;
    index_ = length_ = 0;
}

int DiskFile::refill() {
    if (!wbuf_.empty() && !flush()) return Failed;
    const int64_t pos = position();
    ssize_t n;
    do {
        n = ::pread(fd_, buf_.data(), buf_.size(), static_cast<off_t>(pos));
    } while (n < 0 && errno == EINTR);
    base_ = pos;
    index_ = 0;
    length_ = n > 0 ? static_cast<size_t>(n) : 0;
    if (n < 0) return Failed;
    if (n == 0) return End;
    return static_cast<unsigned char>(buf_[index_++]);
}

void DiskFile::unget() {
    if (index_ > 0)
        --index_;
    else
        seek(position() - 1);
}

int64_t DiskFile::read(char* out, size_t n) {
    size_t got = 0;
    while (got < n) {
        if (index_ < length_) {
            const size_t k = std::min(n - got, length_ - index_);
            std::memcpy(out + got, buf_.data() + index_, k);
            index_ += k;
            got += k;
            continue;
        }
        const int c = refill();
        if (c == Failed) return -1;
        if (c == End) break;
        out[got++] = static_cast<char>(c);
    }
    return static_cast<int64_t>(got);
}

bool DiskFile::write(std::string_view bytes) {
    if (access_ == Access::Append) seek(size_);
    const int64_t pos = position();
    bool ok = true;
    if (!wbuf_.empty() && pos != wbase_ + static_cast<int64_t>(wbuf_.size())) ok = flush();
    if (wbuf_.empty()) wbase_ = pos;
    wbuf_.append(bytes);
    const int64_t end = pos + static_cast<int64_t>(bytes.size());
    // What was read ahead may be stale now; reading again starts after
    // the bytes just written.
    base_ = end;
    index_ = length_ = 0;
    size_ = std::max(size_, end);
    if (wbuf_.size() >= kWriteBehind) ok = flush() && ok;
    return ok;
}

bool DiskFile::flush() {
    bool ok = true;
    size_t done = 0;
    while (done < wbuf_.size()) {
        const ssize_t n = ::pwrite(fd_, wbuf_.data() + done, wbuf_.size() - done,
                                   static_cast<off_t>(wbase_ + static_cast<int64_t>(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    wbuf_.clear();
    return ok;
}

void DiskFile::resync() {
    flush();
    struct stat st {};
    if (::fstat(fd_, &st) == 0) size_ = static_cast<int64_t>(st.st_size);
    const int64_t pos = position();
    base_ = pos;
    index_ = length_ = 0;
}

bool DiskFile::close() {
    if (fd_ < 0) return false;
    bool ok = flush();
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    return ok;
}

}  // namespace tw
