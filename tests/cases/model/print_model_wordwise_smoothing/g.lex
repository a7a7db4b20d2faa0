w1	A 3 B 0 C 0
w2	A 1 B 2 C 0
w3	A 0
w4	B 0.5
w5	C 1
w6	C 0.2
