a	A 1.00
b	B 2.00
c	A 1.00
