/* A file with no toolkit calls at all is copied byte for byte, including
 * bytes outside ASCII: cafÃ©, été, and trailing blanks.   
 */
#include <stdio.h>

int main(int argc, char **argv)
{
	const char *s = "Q 5 and XtV a are no candidates; q5setattrs(x) neither";
	printf("%s\n", s);   
	return argc > 1 ? 1 : 0;
}


