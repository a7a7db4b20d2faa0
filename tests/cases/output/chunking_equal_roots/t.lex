a	A 1 B 1
