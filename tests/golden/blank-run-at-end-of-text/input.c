/* A call at the very end of the text, followed only by blanks on its own
 * line: the blanks hold no line break and are dropped. */
Q5SetAttrs(o, A, 1, Q5TAG_END) 	 