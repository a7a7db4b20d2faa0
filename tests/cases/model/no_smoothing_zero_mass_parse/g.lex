a0	A 0
a3	A 3
z	Z 0
