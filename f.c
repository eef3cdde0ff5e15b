int edited;
