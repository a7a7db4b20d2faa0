dog	N 2
v1	V 0.9
v2	V 3
