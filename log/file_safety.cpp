#include "log/file_safety.h"

#include <clocale>
#include <csignal>

namespace orte {

void keep_files_independent_of_locale_and_limits()
{
    std::setlocale(LC_NUMERIC, "C");
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

} // namespace orte
