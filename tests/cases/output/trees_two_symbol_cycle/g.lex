a	A 1
