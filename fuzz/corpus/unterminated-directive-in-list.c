Q5Do(o, m,
#if 0