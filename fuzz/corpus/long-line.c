Q5SetAttrs ->XtVaSetValue Q5TagGet \
->Q5 = Q5Do	 = Q5Do	 = Q5SetAttrsAll = Q5Do	;"Q5;";"Q5;" = Q5Do1;XtVaSetValue->Q5;Q5A_Width->xQ5Do->Q5SetAttrsAll, Q5A_Width;"Q5;"->Q5Do	 \\", Q5SetAttrs  = Q5SetAttrsAll;* = * = XtVa;xQ5Do;XtVaSetValue.\\" = Q5Do1->Q5A_Width Q5TagGet \
, xQ5Do.Q5A_Width->XtVa.Q5SetAttr.\\"->Q5SetAttrs  Q5SetAttrs  Q5TagGet \
, \"->"Q5;" Q5Do	.\" Q5TagGet \
 = Q5SetAttrs .Q5A_Width;\\" = \\" Q5SetAttrs  = Q5SetAttrs , Q5SetAttr Q5SetAttrsAll * XtVaSetValue *->Q5A_Width = Q5SetAttrs .Q5SetAttr.Q5SetAttrsAll = "Q5;" = Q5Do1 = XtVaSetValue;Q5Do	 = Q5Do	.Q5SetAttr.Q5Do1 xQ5Do;xQ5Do->/.xQ5Do->*.Q5SetAttrs  xQ5Do;Q5A_Width.Q5SetAttrsAll->xQ5Do = "Q5;" Q5A_Width, "Q5;", Q5TagGet \
 XtVaSetValue, " Q5.Q5SetAttrs  = Q5TagGet \
 = Q5TagGet \
 xQ5Do->Q5TagGet \
;/ Q5A_Width Q5Do1 *->Q5SetAttrsAll->Q5, Q5TagGet \
->*;Q5 "Q5;", Q5;Q5TagGet \
 = Q5A_Width;/, Q5TagGet \
->Q5TagGet \
 \\" = Q5TagGet \
->*->\".Q5TagGet \
, "Q5;" = xQ5Do = Q5SetAttrsAll = /, Q5SetAttr.\" = Q5SetAttr XtVa;xQ5Do.Q5SetAttrs  \\" / Q5SetAttrsAll = * \" "->Q5Do	, " Q5SetAttrs , Q5SetAttr.Q5SetAttrs ;XtVaSetValue->/ = Q5A_Width = XtVaSetValue->XtVa->Q5SetAttr;\";Q5SetAttr, \\";Q5Do1, xQ5Do = \\" = xQ5Do->Q5TagGet \
->*.XtVaSetValue;\\";Q5Do1 = Q5SetAttr, Q5A_Width.Q5SetAttr, Q5SetAttr->\";\\";/;XtVaSetValue->", xQ5Do;Q5TagGet \
.\";Q5Do1, Q5 "Q5;", XtVa->"Q5;", /->Q5Do1, Q5SetAttrs ;\\";Q5A_Width;Q5TagGet \
->"Q5;"->* /;".*->Q5Do	->XtVa."Q5;" XtVaSetValue xQ5Do = Q5SetAttrs ;xQ5Do;Q5SetAttr.\\" = Q5Do1;Q5SetAttr.Q5Do	->XtVa->\".XtVa;/ Q5Do1, /;\\", XtVaSetValue->XtVaSetValue Q5, "Q5;", Q5Do1;XtVaSetValue = Q5SetAttr = \\"->"Q5;" Q5TagGet \
;Q5SetAttr, Q5SetAttr Q5Do	->Q5 = Q5A_Width, XtVa.\";Q5TagGet \
 Q5Do	, * XtVa.xQ5Do;Q5TagGet \
.".Q5TagGet \
 Q5TagGet \
->Q5A_Width.\";Q5A_Width;xQ5Do.Q5SetAttrs ;Q5Do	 = Q5.Q5A_Width.\" = \\";/;Q5TagGet \
->Q5SetAttr.Q5TagGet \
;*, Q5SetAttr, \"."Q5;" / = Q5Do	;*.XtVa;"Q5;";xQ5Do, \\".XtVa->xQ5Do;*;*, Q5SetAttrsAll."Q5;".*, Q5TagGet \
, / = /;"Q5;", Q5SetAttr = Q5A_Width, /;Q5TagGet \
 = \\" = "Q5;" Q5SetAttr->Q5SetAttr Q5TagGet \
, Q5SetAttrs  Q5TagGet \
, Q5SetAttrsAll.Q5SetAttrs  * = Q5Do	;Q5Do1;*./ = XtVa.xQ5Do = Q5SetAttrs  = XtVaSetValue;XtVaSetValue;XtVaSetValue, Q5Do	;"Q5;".Q5A_Width.XtVa, Q5SetAttrs ;Q5Do	 = Q5SetAttr, ", Q5, Q5SetAttrsAll;XtVa.xQ5Do \\" = Q5TagGet \
, "Q5;", ";Q5Do	->"Q5;".Q5SetAttr;" = xQ5Do.XtVa = Q5->xQ5Do * = XtVaSetValue, XtVa, \\" = \", *->Q5Do	;Q5Do1.Q5Do1;"Q5;"->*->\" = XtVaSetValue = " "Q5;" Q5SetAttr XtVaSetValue->Q5SetAttr, \", \\"->"Q5;";" = ".Q5TagGet \
 Q5Do	, XtVaSetValue;*, Q5SetAttrs  Q5TagGet \
->"Q5;";\\" Q5Do	 = / = XtVa;xQ5Do;".*->*;Q5SetAttr = Q5TagGet \
 = / Q5SetAttrsAll xQ5Do Q5TagGet \
.Q5SetAttrsAll./;Q5;xQ5Do Q5.XtVa \\"->".Q5SetAttrsAll;Q5SetAttr, Q5TagGet \
->"Q5;" = \\" Q5A_Width;XtVa = \\", \" = Q5TagGet \
 \";".XtVa;Q5A_Width *.";\\" ", \" = Q5.XtVaSetValue.", Q5Do	 Q5A_Width, Q5TagGet \
;"Q5;" = "Q5;", "Q5;" / \\", Q5SetAttrsAll->*->Q5Do1 * = Q5->xQ5Do = Q5 Q5A_Width->xQ5Do = Q5.Q5 Q5Do	 = XtVaSetValue.Q5SetAttrsAll;Q5Do1, "Q5;" Q5TagGet \
./;XtVa.Q5Do	, XtVaSetValue = Q5Do1;Q5A_Width;\\";Q5SetAttrs  = Q5SetAttrsAll->"Q5;" = Q5SetAttrs , ";Q5.* Q5SetAttrs ->/ Q5SetAttrs(o, A, 1, Q5TAG_END);
Q5Do(o, m, A, 1, Q5TAG_END);
