/* The longest argument accepted: 1023 characters after comment
 * removal, outside any parenthesised group. */
void longest(Q5Object *o)
{
    Q5SetAttrs(o, Q5A_Sum, TERM_001 + TERM_002 + TERM_003 + TERM_0/* not counted */04 + TERM_005 + TERM_006 +
            TERM_007 + TERM_008 + TERM_009 + TERM_010 + TERM_011 + TERM_012 +
            TERM_013 + TERM_014 + TERM_015 + TERM_016 + TERM_017 + TERM_018 +
            TERM_019 + TERM_020 + TERM_021 + TERM_022 + TERM_023 + TERM_024 +
            TERM_025 + TERM_026 + TERM_027 + TERM_028 + TERM_029 + TERM_030 +
            TERM_031 + TERM_032 + TERM_033 + TERM_034 + TERM_035 + TERM_036 +
            TERM_037 + TERM_038 + TERM_039 + TERM_040 + TERM_041 + TERM_042 +
            TERM_043 + TERM_044 + TERM_045 + TERM_046 + TERM_047 + TERM_048 +
            TERM_049 + TERM_050 + TERM_051 + TERM_052 + TERM_053 + TERM_054 +
            TERM_055 + TERM_056 + TERM_057 + TERM_058 + TERM_059 + TERM_060 +
            TERM_061 + TERM_062 + TERM_063 + TERM_064 + TERM_065 + TERM_066 +
            TERM_067 + TERM_068 + TERM_069 + TERM_070 + TERM_071 + TERM_072 +
            TERM_073 + TERM_074 + TERM_075 + TERM_076 + TERM_077 + TERM_078 +
            TERM_079, Q5TAG_END);
}
