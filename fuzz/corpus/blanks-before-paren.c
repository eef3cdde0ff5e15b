Q5SetAttrs (o, A, 1, Q5TAG_END);
Q5SetAttrs	
(o, A, 1, Q5TAG_END);
Q5SetAttrs\
(o, A, 1, Q5TAG_END);
Q5SetAttrsX(o);
Q5SetAttrs;
