x	B 2
y	Z 1 Q 2
