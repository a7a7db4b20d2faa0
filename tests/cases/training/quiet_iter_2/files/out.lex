a	A 0.00
b	B 1.00
c	A 1.00
