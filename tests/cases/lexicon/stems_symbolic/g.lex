dog	N dog	N hound
barks	V bark
