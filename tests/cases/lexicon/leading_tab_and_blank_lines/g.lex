	N 1
  
dog	N 1
cat	N
