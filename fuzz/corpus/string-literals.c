printf("say \"Q5SetAttrs(\" now");
puts("Q5Do(o, m, Q5TAG_END)"); Q5Do(o, m, Q5A_X, 1, Q5TAG_END);
s = "a\"b"; Q5SetAttrs(o, A, 1, Q5TAG_END);
