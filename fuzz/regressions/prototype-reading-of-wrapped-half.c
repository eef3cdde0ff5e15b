Q5Do(o,ž
w,{,}0/XtVaSetValues(,),w)