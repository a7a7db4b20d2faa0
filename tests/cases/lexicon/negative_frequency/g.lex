a	A -1
b	A 3
