a	A 1e308
b	A 1e308
