a	A 2.00
b	B 2.50
c	A 0.50
