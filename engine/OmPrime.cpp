#include "engine/OmPrime.h"

#include "engine/OmReport.h"

namespace {

// The last entry does not fit a signed 32-bit number; it reads back negative
// and so never qualifies, which is what ends the search on huge requests.
const uint32_t kPrimes[] = {
    3u, 7u, 11u, 23u, 47u, 97u, 197u, 397u, 797u, 1597u, 3203u, 6421u, 12853u, 25717u, 51437u,
    102877u, 205759u, 411527u, 823117u, 1646237u, 3292489u, 6584983u, 13169977u, 26339969u,
    52679969u, 105359939u, 210719881u, 421439783u, 842879579u, 1685759167u, 3371518343u,
};

} // namespace

int32_t OmPrime_GetNext(int32_t n)
{
    for (uint32_t prime : kPrimes) {
        if (int32_t(prime) > n)
            return int32_t(prime);
    }
    FatalError("OmPrime_GetNext, lastValue = %d, unacceptably large!\n", n);
}
