#include "app/StandardDescriptors.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace fenwave {

void openClosedStandardDescriptors()
{
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open() takes the lowest free number: the lowest closed one of the three comes first.
        int opened;
        do {
            opened = ::open("/dev/null", O_RDWR);
        } while (opened == -1 && errno == EINTR);
        if (opened == -1)
            return; // nothing to be done without /dev/null
        if (opened != descriptor) {
            // Not expected, as the lower ones are open by now; put it where it belongs.
            ::dup2(opened, descriptor);
            ::close(opened);
        }
    }
}

} // namespace fenwave
