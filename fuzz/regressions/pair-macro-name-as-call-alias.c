#define SET XtVaSetValues
#define Q5LT SET
SET(w,t,L)