x	X 1
x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x	X 1
