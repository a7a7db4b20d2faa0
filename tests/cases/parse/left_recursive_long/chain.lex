w	W 1
