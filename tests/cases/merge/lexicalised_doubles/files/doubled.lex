cat	N 2.00
dog	N 2.00
saw	V 2.00
the	DT 4.00
with	P 0.00
