a	A 1
b	B 1
