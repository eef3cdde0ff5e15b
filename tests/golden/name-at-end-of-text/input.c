/* A name at the very end of the text has no "(" after it: no call. */
void (*fp)(void *, ...) = Q5SetAttrs