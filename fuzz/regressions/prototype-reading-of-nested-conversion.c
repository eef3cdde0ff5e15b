#define SET XtVaSetValues
SET(SET(SET(w,m,L),L o)}