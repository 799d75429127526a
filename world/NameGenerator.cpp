#include "world/NameGenerator.h"

#include "foundation/ErrorLog.h"
#include "foundation/Random.h"

#include <cstring>

namespace
{

const char kSyllables[8][13][4] = {
    {"OW-", "UR-", "ID-", "ES-", "AN-", "AR-", "AL-", "EN-", "OR-", "AM-", "IN-", "AT-", "EC-"},
    {"RA-", "VO-", "HI-", "HE-", "LE-", "GO-", "RE-", "CE-", "MO-", "KE-", "DE-", "TO-", "CA-"},
    {"FR", "S", "H", "AR", "T", "N", "HL", "AC", "M", "C", "F", "FN", "MR"},
    {"FO", "SU", "HI", "A", "TO", "NA", "HA", "AE", "MO", "CA", "FI", "FA", "ME"},
    {"FOR", "SUV", "HID", "HES", "TOR", "NAG", "HAF", "SEN", "MOF", "CAM", "FID", "FAT", "MEC"},
    {"FOA", "SVI", "HIE", "REY", "TRA", "NAO", "HLI", "SNE", "MRO", "CLE", "FNE", "FNO", "MRA"},
    {"ARD", "ORS", "IDD", "ARS", "ENC", "ONS", "ALF", "END", "ORF", "ALM", "IND", "ANT", "ERC"},
    {"ORA", "UVI", "IDE", "AHE", "OLE", "AGO", "AFI", "ACE", "ORO", "AME", "INE", "ATO", "ETO"},
};

struct SPattern
{
    std::uint8_t sets[4];
    std::uint8_t weight;
};

constexpr SPattern kPatterns[28] = {
    {{1, 3, 7, 0}, 5}, {{1, 3, 8, 0}, 4}, {{1, 4, 5, 0}, 5}, {{1, 4, 6, 0}, 5}, {{1, 4, 7, 0}, 4},
    {{1, 4, 8, 0}, 4}, {{2, 3, 5, 0}, 5}, {{2, 3, 7, 0}, 4}, {{2, 3, 8, 0}, 4}, {{2, 4, 5, 0}, 4},
    {{2, 4, 6, 0}, 4}, {{2, 4, 7, 0}, 5}, {{2, 4, 8, 0}, 5}, {{1, 3, 7, 8}, 3}, {{1, 4, 5, 7}, 2},
    {{1, 4, 5, 8}, 3}, {{2, 3, 7, 8}, 3}, {{2, 4, 5, 7}, 3}, {{2, 4, 5, 8}, 2}, {{3, 7, 8, 0}, 6},
    {{4, 5, 7, 0}, 6}, {{4, 5, 8, 0}, 5}, {{3, 7, 0, 0}, 8}, {{5, 7, 0, 0}, 8}, {{5, 8, 0, 0}, 7},
    {{6, 7, 0, 0}, 8}, {{6, 8, 0, 0}, 7}, {{7, 8, 0, 0}, 8},
};
constexpr int kTotalWeight = 137;

constexpr int WeightSum()
{
    int sum = 0;
    for (const SPattern& p : kPatterns)
        sum += p.weight;
    return sum;
}
static_assert(WeightSum() == kTotalWeight);

} // namespace

const char* CNameGenerator::Syllable(int set, int index)
{
    return kSyllables[set - 1][index];
}

void CNameGenerator::Generate(char* out, std::int32_t kind)
{
    const bool anyKind = kind < 0 || kind > 12;
    for (int attempt = 0;; ++attempt)
    {
        int r = g_Random.RandomInt(kTotalWeight);
        int p = 0;
        while (r >= kPatterns[p].weight)
            r -= kPatterns[p++].weight;
        const SPattern& pattern = kPatterns[p];
        int s[4] = {};
        s[0] = g_Random.RandomInt(13);
        std::strcpy(out, Syllable(pattern.sets[0], s[0]));
        for (int part = 1; part < 4 && pattern.sets[part]; ++part)
        {
            // Every set has syllables of more than one first letter, so
            // this ends.
            const char last = out[std::strlen(out) - 1];
            do
                s[part] = g_Random.RandomInt(13);
            while (Syllable(pattern.sets[part], s[part])[0] == last);
            std::strcat(out, Syllable(pattern.sets[part], s[part]));
        }
        const std::uint32_t code = std::uint32_t(((s[0] * 10 + s[1]) * 10 + s[2]) * 10 + s[3]);
        const bool lastChance = attempt + 1 >= kMaxAttempts;
        if (!anyKind && (s[0] + s[1] + s[2] + s[3]) % 13 != kind && !lastChance) continue;
        bool known = false;
        for (std::int32_t i = 0; i < m_nCount && !known; ++i)
            known = m_Codes[i] == code;
        if (known && !lastChance) continue;
        if (known || m_nCount == kMaxCodes)
        {
            g_ErrorLog.LogError("CNameGenerator::Generate: no new name left (%d given); '%s' is given again",
                                m_nCount, out);
            return;
        }
        m_Codes[m_nCount++] = code;
        return;
    }
}
