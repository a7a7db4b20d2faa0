a	A 1 Z 1
b	B 1
