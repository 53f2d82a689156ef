#include "platform/Process.h"

#include <clocale>

namespace plat {

void UseCLocale()
{
    std::setlocale(LC_ALL, "C");
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace plat
