cat	N 1.00
dog	N 1.00
saw	V 1.00
the	DT 2.00
with	P 0.00
