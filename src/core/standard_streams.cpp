#include "core/standard_streams.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tarnwick {

void reserve_standard_streams() {
#ifndef _WIN32
    for (int stream = 0; stream <= 2; ++stream) {
        if (::fcntl(stream, F_GETFD) != -1) continue;
        // open() takes the lowest free number: this one, as the lower ones are open by now.
        const int opened = ::open("/dev/null", O_RDONLY);
        if (opened != stream && opened >= 0) ::close(opened);
    }
#endif
}

}  // namespace tarnwick
