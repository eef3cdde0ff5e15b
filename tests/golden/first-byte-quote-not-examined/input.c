"Q5SetAttrs(obj, Q5A_Width, 1, Q5TAG_END)" is converted: the first byte
of the text is never taken for an opening quote.
"Q5SetAttrs(obj, Q5A_Width, 2, Q5TAG_END)" at the start of a later line
is inside a literal and stays.
