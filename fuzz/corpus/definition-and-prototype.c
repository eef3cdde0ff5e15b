int Q5SetAttrs(void *o, ...);
int Q5Inherit(int a, int b, int c) 
{
    return 0;
}
ULONG Q5Do(Object *o, ULONG m, ...) { return 0; }
