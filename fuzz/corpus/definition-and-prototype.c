int Q5SetAttrs(void *o, ...);
int Q5Inherit(int a, int b, int c) 
{
    return 0;
}
unsigned long Q5Do(Q5Object *o, unsigned long m, ...) { return 0; }
