#include "q5toolkit.h"

void before(Q5Object *o)
{
    Q5SetAttrs(o, Q5A_Width, 10, Q5A_Height, 20, Q5TAG_END);
}

void group_at_end(Q5Object *o)
{
    Q5SetAttrs(o, Q5A_Flags, f(/* kept */ FLAG_001 | FLAG_002 | FLAG_003 | FLAG_004 | FLAG_005 |
                FLAG_006 | FLAG_007 | FLAG_008 | FLAG_009 | FLAG_010 |
                FLAG_011 | FLAG_012 | FLAG_013 | FLAG_014 | FLAG_015 |
                FLAG_016 | FLAG_017 | FLAG_018 | FLAG_019 | FLAG_020 |
                FLAG_021 | FLAG_022 | FLAG_023 | FLAG_024 | FLAG_025 |
                FLAG_026 | FLAG_027 | FLAG_028 | FLAG_029 | FLAG_030 |
                FLAG_031 | FLAG_032 | FLAG_033 | FLAG_034 | FLAG_035 |
                FLAG_036 | FLAG_037 | FLAG_038 | FLAG_039 | FLAG_040 |
                FLAG_041 | FLAG_042 | FLAG_043 | FLAG_044 | FLAG_045 |
                FLAG_046 | FLAG_047 | FLAG_048 | FLAG_049 | FLAG_050 |
                FLAG_051 | FLAG_052 | FLAG_053 | FLAG_054 | FLAG_055 |
                FLAG_056 | FLAG_057 | FLAG_058 | FLAG_059 | FLAG_060 |
                FLAG_061 | FLAG_062 | FLAG_063 | FLAG_064 | FLAG_065 |
                FLAG_066 | FLAG_067 | FLAG_068 | FLAG_069 | FLAG_070 |
                FLAG_071 | FLAG