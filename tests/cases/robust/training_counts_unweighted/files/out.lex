cat	N 1.25
dog	N 2.00
saw	V 1.25
the	DT 3.25
with	P 0.75
