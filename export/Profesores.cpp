// (pending)
