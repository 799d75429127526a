#include "foundation/SortIndices.h"

#include <utility>

void SortIndicesByFloat(const float* keys, int stride, int n, std::int32_t* index)
{
    if (n <= 0 || !index) return;
    for (int i = 0; i < n; ++i)
        index[i] = i;
    if (!keys) return;
    for (int gap = n / 2; gap > 0; gap /= 2)
        for (int i = gap; i < n; ++i)
            for (int j = i - gap; j >= 0; j -= gap)
            {
                // False for equal keys and for any NaN: no swap.
                if (!(keys[std::ptrdiff_t(index[j + gap]) * stride] < keys[std::ptrdiff_t(index[j]) * stride]))
                    break;
                std::swap(index[j], index[j + gap]);
            }
}

void SortIndicesByFloat(const float* keys, int stride, int n, std::vector<std::int32_t>& index)
{
    index.assign(n > 0 ? std::size_t(n) : 0u, 0);
    if (n > 0) SortIndicesByFloat(keys, stride, n, index.data());
}
