Q5TagGet(list, Q5A_Width, &w, Q5A_Height, &h, Q5TAG_END);
Q5TagGet(list, Q5RA_Done);
