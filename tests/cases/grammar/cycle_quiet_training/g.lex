t	T 1
