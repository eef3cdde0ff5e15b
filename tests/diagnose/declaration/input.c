extern unsigned long Q5SetAttrs(void *o, ...);
extern void XtVaGetValues(void *w, ...);
unsigned long Q5Do(void *obj, unsigned long method, int flags);
