// scheme file reading and writing (Qt Core only)
