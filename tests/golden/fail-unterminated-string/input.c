#include "q5toolkit.h"

void before(Q5Object *o)
{
    Q5SetAttrs(o, Q5A_Width, 10, Q5A_Height, 20, Q5TAG_END);
}

void unterminated(Q5Object *o)
{
    Q5SetAttrs(o, Q5A_Title, "no closing quote, Q5TAG_END);
}
