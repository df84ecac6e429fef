// Speeds that have no termios constant (14400, 256000, ...), set through
// the driver's arbitrary-speed request. Kept apart because its kernel
// header cannot be included together with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace tw {

bool setCustomSpeed(int fd, int baud) {
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~CBAUD;
    t.c_cflag |= BOTHER;
    t.c_ispeed = static_cast<speed_t>(baud);
    t.c_ospeed = static_cast<speed_t>(baud);
    return ::ioctl(fd, TCSETS2, &t) == 0;
}

}  // namespace tw
