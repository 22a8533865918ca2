#include "platform/ProcessGuards.h"

#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace process_guards {

bool apply()
{
    bool ok = true;
    const rlimit noCore{0, 0};
    ok = ::setrlimit(RLIMIT_CORE, &noCore) == 0 && ok;
    ok = ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0 && ok;
    // A write past the limit then fails with EFBIG, which the database and the files report.
    ok = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && ok;
    return ok;
}

} // namespace process_guards
