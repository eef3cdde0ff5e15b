#include "q5toolkit.h"

void before(Q5Object *o)
{
    Q5SetAttrs(o, Q5T(Q5A_Width, 10), Q5T(Q5A_Height, 20), Q5TAG_END);
}

void group_at_end(Q5Object *o)
{
    