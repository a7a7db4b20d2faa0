a	A 2.00
b	B 3.50
c	A 1.50
