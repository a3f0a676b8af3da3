class Error(ValueError):
    """A scan that cannot be made or written.

    Mostly bad input or settings; also a folder that cannot be written. The
    message is the command line's, and ``status`` its exit status for the
    same fault: 2 for input and settings, 1 for files, 3 for a fault of the
    program itself.
    """

    def __init__(self, message, status=2):
        super().__init__(message)
        self.status = status
